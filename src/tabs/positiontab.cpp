#include "positiontab.h"

#include "params/deviceparams.h"
#include "tabs/positionlistmodel.h"
#include "tabs/textitemdelegate.h"

#include <QGridLayout>
#include <QListView>
#include <QSpacerItem>

PositionTab::PositionTab(QWidget *parent)
    : DeviceWidget(parent)
    , m_model(new PositionListModel(this))
    , m_view(new QListView)
{
    m_view->setObjectName(QStringLiteral("positions"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(new TextItemDelegate(PositionName::limit, false, m_view));
    // All eight names at once, each row tall enough for its line editor and
    // wide enough for a full name.
    const int rowHeight = m_view->fontMetrics().height() + 12;
    const int width
        = m_view->fontMetrics().horizontalAdvance(QString(PositionName::limit + 1, QChar(0x0416)));
    m_view->setUniformItemSizes(true);
    m_view->setGridSize(QSize(width, rowHeight));
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * m_view->frameWidth();
    m_view->setFixedSize(width + frame, DeviceParams::PositionCount * rowHeight + frame);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_view, 0, 0);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 1, 0);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 1);
}

void PositionTab::saveParams(DeviceParams &params)
{
    PositionListModel::store(m_model->names(), params.positions);
}

void PositionTab::loadParams(const DeviceParams &params)
{
    m_model->setNames(PositionListModel::namesOf(params.positions));
}

void PositionTab::validate(DeviceIssueWidget *, const DeviceInfo &) { }
