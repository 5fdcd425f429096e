// What each register is: inventory.
#include "cli.h"
#include "paramsview.h"

#include "app/deviceregistry.h"
#include "fleet/inventory.h"
#include "goods/goodscsv.h"
#include "link/devicejob.h"
#include "link/ipv4address.h"
#include "params/paramsdiff.h"

#include <QEventLoop>
#include <QHash>
#include <QJsonArray>
#include <QSet>
#include <QTextStream>

#include <climits>

namespace {

// The exit status one line calls for (0: none).
int exitOf(const InventoryLine &line)
{
    switch (line.link) {
    case InventoryLine::Link::Silent:
        return Cli::ExitUnreachable;
    case InventoryLine::Link::Failed:
        return Cli::ExitJobFailed;
    default:
        break;
    }
    if (line.goodsCode == ErrSerialMismatch)
        return Cli::ExitMismatch;
    return line.goodsCode != 0 ? Cli::ExitJobFailed : Cli::ExitOk;
}

} // namespace

int Cli::inventory(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Сводка по ККТ: для каждой ККТ одна строка — адрес, название, заводской номер, версия и семейство,\n"
        "регистрационный номер, номер ФН, ИНН организации, ИНН и наименование ОФД, число товаров и ёмкость\n"
        "номенклатуры, связь, число замечаний к параметрам (как у check) и к номенклатуре (как у "
        "goods-check).\n"
        "Без адресов опрашиваются все ККТ списка программы, у которых есть адрес. Несколько ККТ "
        "опрашиваются\n"
        "одновременно (--jobs); строки идут в порядке адресов. Для ККТ, которая не отвечает, строка говорит\n"
        "об этом, а данные берутся из её профиля, если он есть (столбец «Данные из»: профиль).\n"
        "--csv выводит таблицу CSV (Windows-1251, или UTF-8 с меткой порядка байтов, если текст в "
        "Windows-1251\n"
        "не представим), --json — массив JSON. В ККТ ничего не записывается.\n"
        "Код завершения — наибольший из кодов ККТ: 3 адрес не отвечает, 4 ошибка обмена, 5 номенклатуру\n"
        "сообщила другая ККТ; 0, если прочитаны все ККТ."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"),
                            QStringLiteral("IPv4-адрес ККТ (один или несколько; без них — все ККТ списка)."),
                            QStringLiteral("[ADDRESS...]"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Вывести таблицу CSV."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Вывести массив JSON."));
    const QCommandLineOption jobs = jobsOption();
    p.addOptions({ csv, json, jobs });
    const NetOptions net;
    net.addTo(p);
    int exit = 0;
    if (!parse(p, args, 0, INT_MAX, &exit))
        return exit;
    if (p.isSet(csv) && p.isSet(json))
        return usage(QStringLiteral("--csv и --json вместе не указываются"));
    int jobCount = 0;
    if (!jobsValue(p, jobs, &jobCount, &exit))
        return exit;
    quint16 port = 0;
    if (!portValue(p, net, &port, &exit))
        return exit;

    const QList<DeviceEntry> devices = DeviceRegistry().entries();
    QHash<QString, QString> names;
    QHash<QString, DeviceEntry> byAddress;
    for (const DeviceEntry &e : devices) {
        names.insert(e.serial, e.name);
        if (!e.addr.isEmpty() && !byAddress.contains(e.addr))
            byAddress.insert(e.addr, e);
    }
    QList<InventoryTarget> targets;
    const QStringList addresses = p.positionalArguments();
    if (addresses.isEmpty()) {
        for (const DeviceEntry &e : devices) {
            if (!e.addr.isEmpty())
                targets.append({ e.addr, port, e.serial, e.name });
        }
    } else {
        QSet<QString> seen;
        for (const QString &address : addresses) {
            if (!Ipv4Address::isValid(address))
                return usage(QStringLiteral("«%1» — не IPv4-адрес").arg(address));
            if (seen.contains(address))
                return usage(QStringLiteral("адрес %1 указан дважды").arg(address));
            seen.insert(address);
            const DeviceEntry listed = byAddress.value(address);
            targets.append({ address, port, listed.serial, listed.name });
        }
    }
    if (targets.isEmpty())
        m_err << QStringLiteral("В списке нет ККТ с адресом\n");

    Inventory inventory;
    inventory.setJobs(jobCount);
    inventory.setNames(names);
    inventory.setOrigin(QStringLiteral("korvant-cli inventory"));
    if (p.isSet(net.noPing))
        inventory.setPingFunction([](const QString &, int) { return 0; });
    if (isTerminal(stderr)) {
        QObject::connect(&inventory, &Inventory::lineChanged, [this, &inventory](int index) {
            const InventoryLine &line = inventory.lines().at(index);
            m_err << QStringLiteral("ККТ %1: %2\n").arg(line.target.address, line.linkText());
            m_err.flush();
        });
    }
    QEventLoop loop;
    QObject::connect(&inventory, &Inventory::finished, &loop, &QEventLoop::quit);
    inventory.start(targets);
    if (inventory.isRunning())
        loop.exec();

    const QVector<InventoryLine> &lines = inventory.lines();
    if (p.isSet(csv)) {
        writeBytes(csvTableBytes(InventoryColumns::table(lines)));
    } else if (p.isSet(json)) {
        // In the columns' order, which QJsonObject would sort.
        JsonTextWriter w;
        w.beginArray(QString());
        for (const InventoryLine &line : lines) {
            w.beginObject(QString());
            for (int c = 0; c < InventoryColumns::Count; ++c) {
                const QString key = InventoryColumns::key(c);
                const QJsonValue value = InventoryColumns::json(line, c);
                if (value.isArray()) {
                    w.beginArray(key);
                    for (const QJsonValue item : value.toArray())
                        w.scalar(QString(), item);
                    w.endArray();
                } else {
                    w.scalar(key, value);
                }
                if (c == InventoryColumns::Link)
                    w.scalar(QStringLiteral("code"), line.code != 0 ? QJsonValue(line.code) : QJsonValue());
            }
            w.endObject();
        }
        w.endArray();
        m_out << QString::fromUtf8(w.text());
    } else {
        // Lines for people: control characters escaped, "—" where nothing is known.
        for (const QStringList &texts : InventoryColumns::table(lines)) {
            QStringList shown;
            for (const QString &t : texts)
                shown.append(t.isEmpty() ? QStringLiteral("—") : displayText(t));
            m_out << shown.join(QLatin1Char('\t')) << '\n';
        }
    }
    m_out.flush();
    int worst = ExitOk;
    for (const InventoryLine &line : lines)
        worst = qMax(worst, exitOf(line));
    return worst;
}
