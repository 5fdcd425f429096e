#include "fleetgoodsdialog.h"

#include "params/paramsdiff.h"

FleetGoodsDialog::FleetGoodsDialog(const GoodsList &rows, const QString &sourceSerial,
                                   const QList<DeviceEntry> &devices, QWidget *parent)
    : FleetRunDialog(sourceSerial, parent)
    , m_rows(rows)
{
    setWindowTitle(tr("Записать в другие ККТ"));
    // Every family the utility configures keeps goods in the same record.
    buildPages(tr("Номенклатура из окна ККТ %1 (строк: %2) будет записана в выбранные ККТ вместо их "
                  "номенклатуры. Берутся строки, которые сейчас в таблице, вместе с несохранёнными "
                  "изменениями. ККТ, в которую номенклатура не помещается или где нет нужного отдела, не "
                  "записывается.")
                   .arg(displayText(sourceSerial))
                   .arg(rows.size()),
               nullptr, tr("ККТ из списка"), devices);
}

FleetGoodsDialog::~FleetGoodsDialog() = default;

std::unique_ptr<FleetRun> FleetGoodsDialog::makeRun()
{
    return std::make_unique<FleetGoodsApply>(m_rows);
}

QString FleetGoodsDialog::differencesTitle() const
{
    return tr("%1: отличия по товарам (сейчас -> после записи)");
}
