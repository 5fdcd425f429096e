#include "orgtab.h"

#include "tabs/tabedits.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpacerItem>

OrgTab::OrgTab(int textLength, QWidget *parent)
    : DeviceWidget(parent)
    , m_grid(new QGridLayout(this))
{
    m_grid->setColumnStretch(1, 1);
    m_inn = TabEdits::textEdit(QStringLiteral("organisation.inn"), 12, this);
    auto *innLabel = new QLabel(tr("ИНН организации:"), this);
    innLabel->setBuddy(m_inn);
    m_grid->addWidget(innLabel, 0, 0);
    m_inn->setMaximumWidth(128);
    m_grid->addWidget(m_inn, 0, 1, Qt::AlignLeft);
    m_name = addTextRows(1, tr("Наименование организации:"), QStringLiteral("organisation.name"), textLength);
    m_address = addTextRows(3, tr("Адрес организации:"), QStringLiteral("organisation.address"), textLength);
}

QLineEdit *OrgTab::addTextRows(int row, const QString &label, const QString &key, int maxLength)
{
    QLineEdit *edit = TabEdits::textEdit(key, maxLength, this);
    auto *caption = new QLabel(label, this);
    caption->setBuddy(edit);
    m_grid->addWidget(caption, row, 0, 1, 2);
    m_grid->addWidget(edit, row + 1, 0, 1, 3);
    return edit;
}

void OrgTab::endRows(int row)
{
    m_grid->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding), row, 0);
}
