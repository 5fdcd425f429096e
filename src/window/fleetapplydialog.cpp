#include "fleetapplydialog.h"

#include "fleet/fleetgroup.h"
#include "params/deviceparams.h"
#include "params/paramsdiff.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

FleetApplyDialog::FleetApplyDialog(std::unique_ptr<DeviceParams> source, const QString &sourceSerial,
                                   const QList<DeviceEntry> &devices, QWidget *parent)
    : FleetRunDialog(sourceSerial, parent)
    , m_source(std::move(source))
    , m_family(m_source ? m_source->family() : 0)
{
    setWindowTitle(tr("Применить к другим ККТ"));
    buildPages(tr("Выберите данные ККТ %1, которые нужно записать в другие ККТ, и эти ККТ. Берутся значения, "
                  "которые сейчас во вкладках окна, вместе с несохранёнными изменениями.")
                   .arg(displayText(sourceSerial)),
               makeGroupsBox(), tr("ККТ семейства 2.%1 из списка").arg(m_family), devices);
}

FleetApplyDialog::~FleetApplyDialog() = default;

QWidget *FleetApplyDialog::makeGroupsBox()
{
    auto *groupsBox = new QGroupBox(tr("Данные (по вкладкам)"), this);
    auto *groupsGrid = new QGridLayout(groupsBox);
    const QList<DeviceTab> tabs = FleetGroup::all();
    const int rows = (tabs.size() + 2) / 3;
    for (int k = 0; k < tabs.size(); ++k) {
        auto *box = new QCheckBox(tabCaption(tabs.at(k)), groupsBox);
        box->setObjectName(QStringLiteral("group_") + FleetGroup::key(tabs.at(k)));
        connect(box, &QCheckBox::toggled, this, &FleetApplyDialog::updateStart);
        groupsGrid->addWidget(box, k % rows, k / rows);
        m_groupBoxes.insert(tabs.at(k), box);
    }
    auto *never
        = new QLabel(tr("Регистрационные данные, заводской номер и поля, которые ККТ хранит для своих "
                        "нужд, не переносятся никогда."),
                     groupsBox);
    never->setWordWrap(true);
    groupsGrid->addWidget(never, rows, 0, 1, 3);
    return groupsBox;
}

QString FleetApplyDialog::unavailableReason(const DeviceEntry &entry) const
{
    const int family = DeviceParams::familyOf(entry.version);
    if (entry.serial != sourceSerial() && family != 0 && family != m_family)
        return tr("другое семейство: 2.%1").arg(family);
    return FleetRunDialog::unavailableReason(entry);
}

bool FleetApplyDialog::choiceMade() const
{
    bool group = false;
    for (const QCheckBox *box : qAsConst(m_groupBoxes))
        group = group || box->isChecked();
    return group && m_source;
}

std::unique_ptr<FleetRun> FleetApplyDialog::makeRun()
{
    QList<DeviceTab> groups;
    for (auto it = m_groupBoxes.cbegin(); it != m_groupBoxes.cend(); ++it) {
        if (it.value()->isChecked())
            groups.append(it.key());
    }
    if (groups.isEmpty() || !m_source)
        return nullptr;
    return std::make_unique<FleetApply>(std::move(m_source), groups);
}

QString FleetApplyDialog::differencesTitle() const
{
    return tr("%1: отличия по полям (поле: сейчас -> после записи)");
}
