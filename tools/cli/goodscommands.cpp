// Commands over goods catalogues: read-goods, write-goods, goods-check, goods-diff.
#include "cli.h"
#include "outputfile.h"
#include "paramsview.h"

#include "app/firmware.h"
#include "goods/goodscheck.h"
#include "goods/goodscsv.h"
#include "goods/goodsdiff.h"
#include "goods/goodsimage.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/resultexplanation.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QTextStream>

namespace {

constexpr int DefaultDepartments = 16;

// The file's names of the goods columns, by GoodsColumn.
const char *const GoodsCsvColumns[GoodsColumnCount] = { "name", "intcode", "barcode", "price", "dept" };

// What went wrong in Russian, the CSV reader's message (or why the file
// could not be read), and that nothing was done with it.
QString csvFailure(const GoodsCsvLoad &load, const QString &path, const QString &consequence)
{
    QString text = load.error;
    if (!load.detail.isEmpty() && load.detail != load.error)
        text = load.detail + QLatin1Char('\n') + load.error;
    return QStringLiteral("%1\nФайл %2 не загружен, %3").arg(text, path, consequence);
}

// A non-negative whole number option; false when it is something else.
bool countOption(const QCommandLineParser &p, const QCommandLineOption &option, int *value)
{
    bool ok = false;
    const int v = p.value(option).toInt(&ok);
    if (!ok || v < 0)
        return false;
    *value = v;
    return true;
}

} // namespace

int Cli::readGoods(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Читает номенклатуру ККТ в файл CSV того же вида, что «Сохранить в файл» в окне «Номенклатура»:\n"
        "заголовок name;intcode;barcode;price;dept, кодировка Windows-1251."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    const NetOptions net;
    net.addTo(p);
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                    QStringLiteral("Файл (по умолчанию ЗАВОДСКОЙ_НОМЕР.goods.csv)."),
                                    QStringLiteral("FILE"));
    p.addOption(output);
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    QString address;
    quint16 port = 0;
    if (const int failed = openTarget(p, net, &address, &port))
        return failed;
    OutputFile target(p.value(output));
    QString error;
    if (!target.check(&error))
        return fail(ExitFile, error);

    DeviceController c;
    const int result = runJob(
        c, [&] { return c.readGoods(address, port); }, QStringLiteral("Загрузка из ККТ"));
    if (result != 0) {
        return fail(ExitJobFailed,
                    QStringLiteral("Ошибка загрузки. %1\n%2").arg(result).arg(resultExplanation(result)));
    }
    const GoodsList rows = parseGoodsImage(c.data());
    QString path;
    if (!target.write(ParamFile::safeName(c.serial()) + QStringLiteral(".goods.csv"), goodsCsvBytes(rows),
                      &path, &error))
        return fail(ExitFile, error);
    m_out << QStringLiteral("Номенклатура ККТ %1 (строк: %2) сохранена в %3\n")
                 .arg(displayText(c.serial()))
                 .arg(rows.size())
                 .arg(displayText(path));
    m_out.flush();
    return ExitOk;
}

int Cli::writeGoods(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Записывает номенклатуру из файла CSV в ККТ. Файл читается целиком до связи с ККТ; при ошибке\n"
        "в файле или строке, которую запись ККТ не вмещает как есть (строка и столбец называются),\n"
        "ничего не отправляется. Перед записью читает номенклатуру ККТ: если строк в файле больше, чем\n"
        "помещается в ККТ, ничего не записывается; иначе сохраняет прочитанное как снимок\n"
        "(korvant-cli snapshots ЗАВОДСКОЙ_НОМЕР); если снимок не прочитан или не сохранён, ничего не\n"
        "записывается. Сама запись проверяет, что заводской номер ККТ равен --serial, а семейство\n"
        "прошивки то же, что у ККТ, прочитанной для снимка; при несовпадении ничего не записывается."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл CSV."));
    const NetOptions net;
    net.addTo(p);
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Заводской номер ККТ, для которой предназначен файл."),
                                    QStringLiteral("SERIAL"));
    p.addOption(serial);
    int exit = 0;
    if (!parse(p, args, 2, 2, &exit))
        return exit;
    const QString expected = p.value(serial).trimmed();
    if (expected.isEmpty())
        return usage(QStringLiteral("не указан заводской номер ККТ (--serial)"));

    const QString path = p.positionalArguments().at(1);
    GoodsList rows;
    if (!loadGoodsForWrite(path, &rows, &exit))
        return exit;
    const QByteArray image = buildGoodsImage(rows, true);
    QString address;
    quint16 port = 0;
    if (const int failed = openTarget(p, net, &address, &port))
        return failed;

    // First a snapshot of the catalogue the register holds now, from a
    // register with the expected serial number; then the job itself
    // confirms, on the connection that writes, that the register there has
    // it too. A catalogue the register cannot hold is refused once its
    // capacity is known, before the snapshot is stored: nothing is written.
    DeviceController c;
    SnapshotTaker taker(c, SnapshotOrigin::Cli);
    const int read = readForSnapshot(c, address, port, true);
    SnapshotResult snapshot = taker.checkRead(SnapshotKind::Goods, read, expected);
    if (snapshot.ok()) {
        const int limit = effectiveGoodsCapacity(c.goodsCapacity()) - 1;
        if (rows.size() > limit) {
            return fail(
                ExitJobFailed,
                QStringLiteral("Номенклатура из файла %1 не помещается в ККТ: строк %2, ёмкость ККТ %3. "
                               "В ККТ ничего не записано")
                    .arg(path)
                    .arg(rows.size())
                    .arg(limit));
        }
    }
    // The write must find the firmware family the snapshot's register has; a
    // firmware the utility does not configure is refused before anything is kept.
    const int family = Frame::firmwareFamily(c.versionMajor(), c.versionMinor(), c.versionBuild());
    if (snapshot.ok()) {
        if (family == 0) {
            return fail(ExitMismatch,
                        QStringLiteral("Версия ККТ %1 не поддерживается, в ККТ ничего не записано")
                            .arg(versionText(c.versionMajor(), c.versionMinor(), c.versionBuild())));
        }
        snapshot = taker.storeGoods(read, expected);
    }
    int result = snapshot.code;
    if (snapshot.ok()) {
        m_out << snapshot.text() << '\n';
        m_out.flush();
        result = runJob(
            c, [&] { return c.writeGoods(address, port, image, expected, family); },
            QStringLiteral("Выгрузка в ККТ"));
    } else if (!snapshot.mismatch()) {
        return snapshotFailure(snapshot);
    }
    const DeviceController::Reported reported = c.reported();
    if (result == ErrSerialMismatch) {
        return fail(ExitMismatch,
                    QStringLiteral("Заводской номер ККТ %1 не совпадает с указанным %2, в ККТ ничего "
                                   "не записано")
                        .arg(displayText(reported.serial), displayText(expected)));
    }
    if (result == ErrFamilyMismatch) {
        return fail(
            ExitMismatch,
            QStringLiteral("Версия ККТ %1 не совпадает с версией %2, прочитанной перед записью, в ККТ "
                           "ничего не записано")
                .arg(versionText(reported.versionMajor, reported.versionMinor, reported.versionBuild),
                     snapshot.reportedVersion));
    }
    if (result != 0) {
        // After pages went out the register may hold part of the new catalogue.
        return fail(ExitJobFailed,
                    QStringLiteral("Ошибка выгрузки. %1\n%2")
                        .arg(result)
                        .arg(resultExplanation(result, c.writeBegun())));
    }
    m_out << QStringLiteral("Выгрузка завершена успешно (строк: %1)\n").arg(rows.size());
    m_out.flush();
    return ExitOk;
}

bool Cli::loadGoodsForWrite(const QString &path, GoodsList *rows, int *exit)
{
    GoodsCsvLoad load = loadGoodsCsv(path);
    if (!load.ok()) {
        *exit = fail(ExitFile, csvFailure(load, path, QStringLiteral("в ККТ ничего не отправлено")));
        return false;
    }
    // A row the record cannot hold as it is would arrive changed (a
    // department wrapped, a name cut): refused, naming it; the header is line 1.
    const GoodsRowFault fault = firstUnholdableGoodsRow(load.rows);
    if (fault.row >= 0) {
        *exit = fail(
            ExitFile,
            QStringLiteral("Строка %1 файла %2, столбец %3: %4; в ККТ ничего не отправлено")
                .arg(fault.row + 2)
                .arg(path, QString::fromLatin1(GoodsCsvColumns[fault.column]), displayText(fault.reason)));
        return false;
    }
    rows->swap(load.rows);
    return true;
}

int Cli::goodsCheck(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Проверяет номенклатуру из файла CSV по тем же правилам, что «Проверить» в окне «Номенклатура»,\n"
        "строки в порядке файла, и выводит найденные ошибки по одной в строке. Номер в начале текста —\n"
        "номер товара в файле (строка файла минус строка заголовка).\n"
        "С --params проверяет ещё и по настройкам ККТ из файла параметров: цену не выше «Макс. цена»,\n"
        "отдел не дальше «Количество отделов»; ёмкость берётся из файла, если --capacity не задан.\n"
        "Код завершения 1, если найдены ошибки, 0, если нет, 6, если файл не загружен."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл CSV."));
    const QCommandLineOption capacity(
        QStringLiteral("capacity"),
        QStringLiteral("Ёмкость номенклатуры ККТ: допустимо не более N-1 строк (по умолчанию 2000)."),
        QStringLiteral("N"), QString::number(DefaultGoodsCapacity));
    const QCommandLineOption departments(QStringLiteral("departments"),
                                         QStringLiteral("Число отделов ККТ (по умолчанию 16)."),
                                         QStringLiteral("N"), QString::number(DefaultDepartments));
    const QCommandLineOption params(
        QStringLiteral("params"),
        QStringLiteral("Файл параметров ККТ (как пишет read-params): её максимальная цена, число отделов "
                       "и ёмкость."),
        QStringLiteral("PARAMS"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral(
            "Вывести массив JSON: {\"row\", \"column\", \"text\"} на ошибку (row и column с нуля)."));
    p.addOptions({ capacity, departments, params, json });
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    GoodsCheckLimits limits;
    if (!countOption(p, capacity, &limits.capacity))
        return usage(QStringLiteral("неверная ёмкость «%1»").arg(p.value(capacity)));
    if (!countOption(p, departments, &limits.departmentNames))
        return usage(QStringLiteral("неверное число отделов «%1»").arg(p.value(departments)));
    if (p.isSet(params)) {
        ParamFile file;
        const std::unique_ptr<DeviceParams> set = decode(p.value(params), &file);
        if (!set)
            return ExitFile;
        limits.takeSettings(*set);
        if (!p.isSet(capacity) && file.goodsCapacity > 0)
            limits.capacity = file.goodsCapacity;
    }

    const QString path = p.positionalArguments().first();
    const GoodsCsvLoad load = loadGoodsCsv(path);
    if (!load.ok())
        return fail(ExitFile, csvFailure(load, path, QStringLiteral("проверка не выполнена")));
    const QVector<GoodsFinding> findings = checkGoods(load.rows, limits);
    if (p.isSet(json)) {
        JsonTextWriter w;
        w.beginArray(QString());
        for (const GoodsFinding &f : findings) {
            w.beginObject(QString());
            w.scalar(QStringLiteral("row"), f.row);
            w.scalar(QStringLiteral("column"), f.column);
            w.scalar(QStringLiteral("text"), f.text);
            w.endObject();
        }
        w.endArray();
        m_out << QString::fromUtf8(w.text());
    } else {
        for (const GoodsFinding &f : findings)
            m_out << displayText(f.text) << '\n';
    }
    m_out.flush();
    return findings.isEmpty() ? ExitOk : ExitFindings;
}

int Cli::goodsDiff(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Сравнивает два файла номенклатуры CSV и выводит товары, которые добавлены, удалены или изменены\n"
        "во втором файле, по одному в строке, и итог. Товары сопоставляются по внутреннему коду (товары\n"
        "без кода — по штрихкоду, затем по наименованию); цены сравниваются с точностью до копейки:\n"
        "  12345 \"Хлеб\": цена 45.00 -> 47.50\n"
        "  12346 \"Батон\": добавлен, штрихкод —, цена 30.00, отдел 1\n"
        "Код завершения 1, если файлы различаются, 0, если нет, 6, если файл не загружен."));
    p.addPositionalArgument(QStringLiteral("FILE_A"), QStringLiteral("Первый файл CSV (было)."));
    p.addPositionalArgument(QStringLiteral("FILE_B"), QStringLiteral("Второй файл CSV (стало)."));
    int exit = 0;
    if (!parse(p, args, 2, 2, &exit))
        return exit;
    GoodsList rows[2];
    for (int k = 0; k < 2; ++k) {
        const QString path = p.positionalArguments().at(k);
        GoodsCsvLoad load = loadGoodsCsv(path);
        if (!load.ok())
            return fail(ExitFile, csvFailure(load, path, QStringLiteral("сравнение не выполнено")));
        rows[k].swap(load.rows);
    }
    const GoodsComparison comparison = compareGoods(rows[0], rows[1]);
    if (comparison.isEmpty())
        return ExitOk;
    for (const QString &line : comparison.lines())
        m_out << line << '\n';
    m_out << comparison.summary() << '\n';
    m_out.flush();
    return ExitDiffers;
}
