// Commands that talk to a register: ping, info, read-params, write-params, scan.
#include "cli.h"
#include "paramfile.h"
#include "pingfailure.h"

#include "app/firmware.h"
#include "link/devicecontroller.h"
#include "link/devicefinder.h"
#include "link/devicejob.h"
#include "link/ipv4address.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

// A failed job's message, and on the next line what its code means.
QString jobFailure(const QString &message, int result)
{
    return message + QLatin1Char('\n') + resultExplanation(result);
}

} // namespace

int Cli::ping(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Проверяет эхо-запросом ICMP, отвечает ли адрес."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("Время ожидания, мс (1000)."),
                                     QStringLiteral("MS"), QString::number(PingTimeoutMs));
    p.addOption(timeout);
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    const QString address = p.positionalArguments().first();
    if (!Ipv4Address::isValid(address))
        return usage(QStringLiteral("«%1» — не IPv4-адрес").arg(address));
    const int timeoutMs = p.value(timeout).toInt();
    const int code = Reachability::pingFunction()(address, timeoutMs);
    if (code == 0) {
        m_out << QStringLiteral("ККТ по адресу %1 отвечает").arg(address) << '\n';
        m_out.flush();
        return ExitOk;
    }
    return fail(
        ExitUnreachable,
        QStringLiteral("ККТ по адресу %1 не доступен: %2").arg(address, pingFailureText(code, timeoutMs)));
}

int Cli::info(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Запрашивает у ККТ заводской номер, версию прошивки и ёмкость номенклатуры."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    const NetOptions net;
    net.addTo(p);
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Вывести ответ в JSON."));
    p.addOption(json);
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    QString address;
    quint16 port = 0;
    if (const int failed = openTarget(p, net, &address, &port))
        return failed;

    DeviceController c;
    const int result = runJob(
        c, [&] { return c.queryInfo(address, port); }, QString());
    if (result != 0) {
        return fail(
            ExitJobFailed,
            jobFailure(QStringLiteral("Ошибка подключения (%1) к ККТ по адресу %2").arg(result).arg(address),
                       result));
    }
    const QString version = versionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    const bool supported = isVersionSupported(c.versionMajor(), c.versionMinor(), c.versionBuild());
    const QString family = supported ? QStringLiteral("2.%1").arg(c.versionMinor()) : QString();
    if (p.isSet(json)) {
        QJsonObject o;
        o.insert(QStringLiteral("serial"), c.serial());
        o.insert(QStringLiteral("version"), version);
        o.insert(QStringLiteral("family"), supported ? QJsonValue(family) : QJsonValue());
        o.insert(QStringLiteral("supported"), supported);
        o.insert(QStringLiteral("goodsCapacity"), c.goodsCapacity());
        m_out << QJsonDocument(o).toJson(QJsonDocument::Indented);
    } else {
        m_out
            << QStringLiteral("Заводской номер: %1\n").arg(c.serial())
            << QStringLiteral("Версия: %1\n").arg(version)
            << QStringLiteral("Семейство: %1\n").arg(supported ? family : QStringLiteral("не поддерживается"))
            << QStringLiteral("Ёмкость номенклатуры: %1\n").arg(c.goodsCapacity());
    }
    m_out.flush();
    return ExitOk;
}

int Cli::readParams(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Читает образ параметров и системный образ ККТ в файл параметров."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    const NetOptions net;
    net.addTo(p);
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                    QStringLiteral("Файл (по умолчанию ЗАВОДСКОЙ_НОМЕР.params.json)."),
                                    QStringLiteral("FILE"));
    p.addOption(output);
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    QString address;
    quint16 port = 0;
    if (const int failed = openTarget(p, net, &address, &port))
        return failed;

    DeviceController c;
    const int result = runJob(
        c, [&] { return c.readParams(address, port); }, QStringLiteral("Загрузка из ККТ"));
    if (result != 0) {
        return fail(ExitJobFailed, jobFailure(QStringLiteral("Ошибка загрузки. %1").arg(result), result));
    }

    ParamFile file;
    file.serial = c.serial();
    file.version = versionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    file.goodsCapacity = c.goodsCapacity();
    file.params = TaggedRecord::find(c.data(), TaggedRecord::ParameterImageTag);
    file.system = TaggedRecord::find(c.data(), TaggedRecord::SystemImageTag);
    file.source = QStringLiteral("ККТ %1").arg(address);
    file.saved = QDateTime::currentDateTime();
    if (!isVersionSupported(c.versionMajor(), c.versionMinor(), c.versionBuild())) {
        return fail(ExitMismatch, QStringLiteral("Версия ККТ %1 не поддерживается").arg(file.version));
    }
    const QString path = p.isSet(output) ? p.value(output) : file.serial + QStringLiteral(".params.json");
    QString error;
    if (!file.save(path, &error)) {
        return fail(ExitFile, error);
    }
    m_out << QStringLiteral("Параметры ККТ %1 (версия %2) сохранены в %3\n")
                 .arg(file.serial, file.version, path);
    m_out.flush();
    return ExitOk;
}

int Cli::writeParams(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Записывает файл параметров в ККТ. Перед записью проверяет, что ККТ по адресу имеет заводской номер\n"
        "и семейство прошивки файла; при несовпадении ничего не записывается."));
    p.addPositionalArgument(QStringLiteral("ADDRESS"), QStringLiteral("IPv4-адрес ККТ."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл параметров."));
    const NetOptions net;
    net.addTo(p);
    int exit = 0;
    if (!parse(p, args, 2, 2, &exit))
        return exit;
    ParamFile file;
    QString error;
    // The file is checked before anything goes to the register.
    if (!ParamFile::load(p.positionalArguments().at(1), &file, &error)) {
        return fail(ExitFile, error);
    }
    QString address;
    quint16 port = 0;
    if (const int failed = openTarget(p, net, &address, &port))
        return failed;

    QByteArray input = TaggedRecord::make(TaggedRecord::ParameterImageTag, file.params);
    if (!file.system.isEmpty())
        input += TaggedRecord::make(TaggedRecord::SystemImageTag, file.system);
    // The job itself confirms, on the connection that writes, that the register
    // is the file's before it writes anything.
    DeviceController c;
    const int result = runJob(
        c, [&] { return c.writeParams(address, port, input, file.serial, file.family()); },
        QStringLiteral("Выгрузка в ККТ"));
    const DeviceController::Reported reported = c.reported();
    if (result == ErrSerialMismatch) {
        return fail(ExitMismatch,
                    QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из файла %2")
                        .arg(reported.serial, file.serial));
    }
    if (result == ErrFamilyMismatch) {
        return fail(ExitMismatch,
                    QStringLiteral("Версия ККТ %1 не совпадает с семейством файла 2.%2")
                        .arg(versionText(reported.versionMajor, reported.versionMinor, reported.versionBuild))
                        .arg(file.family()));
    }
    if (result != 0) {
        return fail(ExitJobFailed, jobFailure(QStringLiteral("Ошибка выгрузки. %1").arg(result), result));
    }
    m_out << QStringLiteral("Выгрузка завершена успешно") << '\n';
    m_out.flush();
    return ExitOk;
}

int Cli::scan(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Ищет ККТ широковещательным запросом UDP. Без --target запрос уходит на широковещательные адреса\n"
        "всех сетевых интерфейсов компьютера, как в графической программе."));
    const QCommandLineOption target(QStringLiteral("target"),
                                    QStringLiteral("Адрес, на который послать запрос (можно несколько раз)."),
                                    QStringLiteral("ADDRESS"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("UDP-порт (по умолчанию 8090)."),
                                  QStringLiteral("N"), QStringLiteral("8090"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Ожидание ответа на каждом адресе, мс (1000)."),
                                     QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Вывести результат в JSON."));
    p.addOptions({ target, port, timeout, json });
    int exit = 0;
    if (!parse(p, args, 0, 0, &exit))
        return exit;

    DeviceFinder finder;
    finder.setPort(quint16(p.value(port).toUInt()));
    finder.setTimeout(p.value(timeout).toInt());
    if (p.isSet(target)) {
        QList<QHostAddress> targets;
        for (const QString &t : p.values(target)) {
            if (!Ipv4Address::isValid(t))
                return usage(QStringLiteral("«%1» — не IPv4-адрес").arg(t));
            targets.append(QHostAddress(t));
        }
        finder.setTargets(targets);
    }
    finder.run();

    const QJsonArray found = QJsonDocument::fromJson(finder.result()).array();
    if (p.isSet(json)) {
        m_out << QJsonDocument(found).toJson(QJsonDocument::Indented);
    } else {
        for (const QJsonValue &v : found) {
            const QJsonObject o = v.toObject();
            m_out << o.value(QStringLiteral("device")).toString() << '\t'
                  << o.value(QStringLiteral("ip")).toString() << '\t'
                  << o.value(QStringLiteral("mac")).toString() << '\n';
        }
        if (found.isEmpty())
            m_err << QStringLiteral("ККТ не найдены") << '\n';
    }
    m_out.flush();
    m_err.flush();
    return ExitOk;
}
