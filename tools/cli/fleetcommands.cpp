// One change applied to many registers: apply, apply-goods.
#include "cli.h"

#include "fleet/fleetapply.h"
#include "fleet/fleetgoodsapply.h"
#include "fleet/fleetgroup.h"
#include "fleet/fleetrunner.h"
#include "link/ipv4address.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QDir>
#include <QEventLoop>
#include <QSet>
#include <QTextStream>

#include <climits>

namespace {

// The exit status one register's outcome calls for (0: none).
int exitOf(const FleetOutcome &o)
{
    switch (o.status) {
    case FleetOutcome::Unreachable:
        return Cli::ExitUnreachable;
    case FleetOutcome::Refused:
        return Cli::ExitMismatch;
    case FleetOutcome::Failed:
        return o.snapshotNotStored ? Cli::ExitFile : Cli::ExitJobFailed;
    default:
        return Cli::ExitOk;
    }
}

// The serial number the register reported, else the one it was named by;
// empty when neither is known.
QString serialText(const FleetOutcome &o)
{
    return displayText(o.serial.isEmpty() ? o.target.serial : o.serial);
}

} // namespace

QCommandLineOption Cli::jobsOption()
{
    return QCommandLineOption(
        QStringLiteral("jobs"),
        QStringLiteral("Со сколькими ККТ работать одновременно, от 1 до %1 (по умолчанию %2).")
            .arg(FleetRunner::MaxJobs)
            .arg(FleetRunner::DefaultJobs),
        QStringLiteral("N"), QString::number(FleetRunner::DefaultJobs));
}

bool Cli::jobsValue(const QCommandLineParser &p, const QCommandLineOption &option, int *jobs, int *exit)
{
    bool ok = false;
    const int value = p.value(option).toInt(&ok);
    if (!ok || value < 1 || value > FleetRunner::MaxJobs) {
        *exit = usage(QStringLiteral("неверное число ККТ одновременно «%1»: допустимо от 1 до %2")
                          .arg(p.value(option))
                          .arg(FleetRunner::MaxJobs));
        return false;
    }
    *jobs = value;
    return true;
}

int Cli::apply(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Применяет выбранные группы данных из файла параметров к другим ККТ того же семейства,\n"
        "к нескольким ККТ одновременно (--jobs), каждой по своему соединению. Для каждой ККТ: проверка "
        "связи; чтение её параметров с проверкой заводского номера и семейства;\n"
        "снимок её параметров перед записью (korvant-cli snapshots ЗАВОДСКОЙ_НОМЕР); перенос выбранных "
        "групп;\n"
        "отличия по полям («путь: было -> станет», как у diff); запись, при которой ККТ ещё раз\n"
        "подтверждает заводской номер и семейство; чтение записанного и сравнение с записанным.\n"
        "Регистрационные данные, заводской номер и поля, которые ККТ хранит для своих нужд, не переносятся.\n"
        "ККТ указывается адресом (тогда запись идёт в ту ККТ, что ответила при чтении) или\n"
        "ЗАВОДСКОЙ_НОМЕР@АДРЕС (тогда по адресу должна отвечать ККТ с этим номером).\n"
        "С --dry-run только показывает отличия: в ККТ ничего не записывается и снимки не сохраняются.\n"
        "Отчёты о ККТ выводятся в том порядке, в каком ККТ указаны; ошибка одной ККТ не мешает другим.\n"
        "Код завершения — наибольший из кодов ККТ: 3 адрес не отвечает, 4 ошибка обмена или записанное\n"
        "не совпало с прочитанным, 5 другая ККТ или другое семейство, 6 снимок не сохранён;\n"
        "0, если каждая ККТ записана и проверена или уже содержит эти данные."));
    p.addPositionalArgument(QStringLiteral("FILE"),
                            QStringLiteral("Файл параметров, из которого берутся данные."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"),
                            QStringLiteral("IPv4-адрес ККТ или ЗАВОДСКОЙ_НОМЕР@АДРЕС (одна или несколько)."),
                            QStringLiteral("ADDRESS..."));
    const QCommandLineOption groupsOption(
        QStringLiteral("groups"),
        QStringLiteral("Группы через запятую: %1 (вкладки «Конфигурация», «Должности», «Пользователи», "
                       "«Отделы», «Реквизиты организации», «Дизайн чека», «Настройки ОФД»).")
            .arg(FleetGroup::keyList()),
        QStringLiteral("LIST"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Только показать отличия; ничего не записывать."));
    const QCommandLineOption jobs = jobsOption();
    p.addOptions({ groupsOption, dryRun, jobs });
    const NetOptions net;
    net.addTo(p);
    int exit = 0;
    if (!parse(p, args, 2, INT_MAX, &exit))
        return exit;

    if (!p.isSet(groupsOption))
        return usage(QStringLiteral("не указаны группы (--groups %1)").arg(FleetGroup::keyList()));
    QList<DeviceTab> groups;
    for (const QString &key : p.value(groupsOption).split(QLatin1Char(','))) {
        DeviceTab tab = DeviceTab::Config;
        if (!FleetGroup::fromKey(key.trimmed(), &tab))
            return usage(
                QStringLiteral("неизвестная группа «%1»; допустимы: %2").arg(key, FleetGroup::keyList()));
        if (!groups.contains(tab))
            groups.append(tab);
    }
    int jobCount = 0;
    QList<FleetTarget> targets;
    if (!fleetTargets(p, net, jobs, &jobCount, &targets, &exit))
        return exit;

    // The file is checked before anything goes to a register.
    ParamFile file;
    std::unique_ptr<DeviceParams> source = decode(p.positionalArguments().first(), &file);
    if (!source)
        return ExitFile;

    FleetApply fleet(std::move(source), groups);
    fleet.setOrigin(QStringLiteral("korvant-cli apply"));
    return runFleet(fleet, targets, p.isSet(dryRun), jobCount, p.isSet(net.noPing));
}

bool Cli::fleetTargets(const QCommandLineParser &p, const NetOptions &net, const QCommandLineOption &jobs,
                       int *jobCount, QList<FleetTarget> *targets, int *exit)
{
    quint16 port = 0;
    if (!jobsValue(p, jobs, jobCount, exit) || !portValue(p, net, &port, exit))
        return false;
    QSet<QString> addresses;
    for (const QString &arg : p.positionalArguments().mid(1)) {
        FleetTarget t;
        t.port = port;
        const int at = arg.lastIndexOf(QLatin1Char('@'));
        t.address = arg.mid(at + 1);
        t.serial = at >= 0 ? arg.left(at) : QString();
        if (!Ipv4Address::isValid(t.address)) {
            *exit = usage(QStringLiteral("«%1» — не IPv4-адрес").arg(t.address));
            return false;
        }
        if (at >= 0 && t.serial.isEmpty()) {
            *exit = usage(QStringLiteral("в «%1» не указан заводской номер перед @").arg(arg));
            return false;
        }
        if (addresses.contains(t.address)) {
            *exit = usage(QStringLiteral("адрес %1 указан дважды").arg(t.address));
            return false;
        }
        addresses.insert(t.address);
        targets->append(t);
    }
    return true;
}

int Cli::runFleet(FleetRun &fleet, const QList<FleetTarget> &targets, bool dry, int jobs, bool noPing)
{
    fleet.setMode(dry ? FleetRun::Mode::DryRun : FleetRun::Mode::WithoutConfirmation);
    fleet.setJobs(jobs);
    if (noPing)
        fleet.setPingFunction([](const QString &, int) { return 0; });

    if (isTerminal(stderr)) {
        QObject::connect(&fleet, &FleetRun::stepStarted, [this, &fleet](int index, FleetRun::Step step) {
            m_err << QStringLiteral("ККТ %1: %2...\n")
                         .arg(fleet.outcomes().at(index).target.address, fleet.stepText(step));
            m_err.flush();
        });
    }
    const auto printOutcome = [this](const FleetOutcome &o) {
        const QString serial = serialText(o);
        m_out << (serial.isEmpty() ? QStringLiteral("== %1 ==\n").arg(o.target.address)
                                   : QStringLiteral("== %1, ККТ %2 ==\n").arg(o.target.address, serial));
        for (const QString &line : o.differences)
            m_out << line << '\n';
        if (!o.snapshot.path.isEmpty())
            m_out << QStringLiteral("Снимок перед записью: %1\n")
                         .arg(QDir::toNativeSeparators(o.snapshot.path));
        m_out << QStringLiteral("Итог: %1\n").arg(o.statusText());
        for (const QString &text : { o.message, o.explanation }) {
            if (!text.isEmpty())
                m_out << text << '\n';
        }
        for (const QString &line : o.details)
            m_out << QStringLiteral("  ") << line << '\n';
        m_out.flush();
    };
    // Each register's report once its outcome is final, in the order the
    // targets were given: a register done early waits for those before it.
    int reported = 0;
    const auto report = [&] {
        const QVector<FleetOutcome> &outcomes = fleet.outcomes();
        while (reported < outcomes.size()) {
            const FleetOutcome &o = outcomes.at(reported);
            if (!o.final() && !(dry && o.status == FleetOutcome::Compared))
                break;
            ++reported;
            printOutcome(o);
        }
    };
    QObject::connect(&fleet, &FleetRun::outcomeChanged, report);
    QEventLoop loop;
    QObject::connect(&fleet, &FleetRun::finished, &loop, &QEventLoop::quit);
    fleet.start(targets);
    loop.exec();
    report();

    int worst = ExitOk;
    m_out << QStringLiteral("\nАдрес\tЗаводской номер\tИтог\n");
    for (const FleetOutcome &o : fleet.outcomes()) {
        const QString serial = serialText(o);
        m_out << o.target.address << '\t' << (serial.isEmpty() ? QStringLiteral("—") : serial) << '\t'
              << o.statusText() << '\n';
        worst = qMax(worst, exitOf(o));
    }
    m_out.flush();
    return worst;
}

int Cli::applyGoods(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Записывает номенклатуру из файла CSV в несколько ККТ, к нескольким одновременно (--jobs),\n"
        "каждой по своему соединению. Файл читается целиком до связи с ККТ; при ошибке в файле или\n"
        "строке, которую запись ККТ не вмещает как есть, ничего не отправляется. Для каждой ККТ: проверка\n"
        "связи; чтение её настроек и номенклатуры с проверкой заводского номера и семейства; проверка,\n"
        "что номенклатура помещается в ККТ (ёмкость ККТ) и что каждый товар в отделе, который в ККТ\n"
        "настроен (иначе ККТ не записывается, с причиной); отличия по товарам, сопоставленным по\n"
        "внутреннему коду («12345 \"Хлеб\": цена 45.00 -> 47.50», как у goods-diff); снимок номенклатуры\n"
        "перед записью (korvant-cli snapshots ЗАВОДСКОЙ_НОМЕР); запись, при которой ККТ ещё раз\n"
        "подтверждает заводской номер и семейство; чтение записанного и сравнение байт в байт.\n"
        "ККТ, в которой эта номенклатура уже есть, — «без изменений»: не записывается, снимка нет.\n"
        "ККТ указывается адресом (тогда запись идёт в ту ККТ, что ответила при чтении) или\n"
        "ЗАВОДСКОЙ_НОМЕР@АДРЕС (тогда по адресу должна отвечать ККТ с этим номером).\n"
        "С --dry-run только показывает отличия: в ККТ ничего не записывается и снимки не сохраняются.\n"
        "Отчёты о ККТ выводятся в том порядке, в каком ККТ указаны; ошибка одной ККТ не мешает другим.\n"
        "Код завершения — наибольший из кодов ККТ: 3 адрес не отвечает, 4 ошибка обмена, номенклатура\n"
        "не помещается в ККТ или записанное не совпало с прочитанным, 5 другая ККТ или неподдерживаемая\n"
        "версия, 6 снимок не сохранён (или файл не загружен); 0, если каждая ККТ записана и проверена или\n"
        "уже содержит эту номенклатуру."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл номенклатуры CSV."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"),
                            QStringLiteral("IPv4-адрес ККТ или ЗАВОДСКОЙ_НОМЕР@АДРЕС (одна или несколько)."),
                            QStringLiteral("ADDRESS..."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Только показать отличия; ничего не записывать."));
    const QCommandLineOption jobs = jobsOption();
    p.addOptions({ dryRun, jobs });
    const NetOptions net;
    net.addTo(p);
    int exit = 0;
    if (!parse(p, args, 2, INT_MAX, &exit))
        return exit;
    int jobCount = 0;
    QList<FleetTarget> targets;
    if (!fleetTargets(p, net, jobs, &jobCount, &targets, &exit))
        return exit;

    // The file is checked before anything goes to a register.
    GoodsList rows;
    if (!loadGoodsForWrite(p.positionalArguments().first(), &rows, &exit))
        return exit;
    FleetGoodsApply fleet(rows);
    fleet.setOrigin(QStringLiteral("korvant-cli apply-goods"));
    return runFleet(fleet, targets, p.isSet(dryRun), jobCount, p.isSet(net.noPing));
}
