#include "positiontab.h"

#include "params/deviceparams.h"
#include "tabs/changemarkmodel.h"
#include "tabs/positionlistmodel.h"
#include "tabs/textitemdelegate.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QListView>
#include <QSpacerItem>

namespace {

// Rows as tall as a line editor, so a name is edited in a box of full height.
class RowDelegate : public TextItemDelegate
{
public:
    RowDelegate(int rowHeight, QObject *parent)
        : TextItemDelegate(PositionName::limit, false, parent)
        , m_rowHeight(rowHeight)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return TextItemDelegate::sizeHint(option, index).expandedTo(QSize(0, m_rowHeight));
    }

private:
    int m_rowHeight = 0;
};

} // namespace

PositionTab::PositionTab(QWidget *parent)
    : DeviceWidget(parent)
    , m_model(new PositionListModel(this))
    , m_view(new QListView)
{
    // All eight names at once, no scrolling, as wide as a full name.
    const int rowHeight = QLineEdit().sizeHint().height();
    m_view->setObjectName(QStringLiteral("positions"));
    m_view->setModel(markChanges(m_model));
    m_view->setItemDelegate(new RowDelegate(rowHeight, m_view));
    m_view->setUniformItemSizes(true);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * m_view->frameWidth();
    const int width
        = m_view->fontMetrics().horizontalAdvance(QString(PositionName::limit + 1, QChar(0x0416)));
    m_view->setFixedSize(width + frame, DeviceParams::PositionCount * rowHeight + frame);

    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] { emit namesChanged(names()); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { emit namesChanged(names()); });

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

QStringList PositionTab::names() const
{
    return m_model->names();
}

void PositionTab::validate(DeviceIssueWidget *, const DeviceInfo &) { }
