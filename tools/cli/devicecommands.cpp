// Commands that talk to a register: ping, info, read-params, write-params, scan.
#include "cli.h"
#include "outputfile.h"
#include "pingfailure.h"

#include "app/firmware.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicefinder.h"
#include "link/devicejob.h"
#include "link/ipv4address.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <memory>

namespace {

// A failed job's message, and on the next line what its code means (and,
// after a write that had begun, that the register may hold part of the data).
QString jobFailure(const QString &message, int result, bool writeBegun = false)
{
    return message + QLatin1Char('\n') + resultExplanation(result, writeBegun);
}

// A number option within its range; false when it is none.
bool intOption(const QString &text, int min, int max, int *out)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
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
    int timeoutMs = 0;
    if (!intOption(p.value(timeout), 1, 60000, &timeoutMs))
        return usage(QStringLiteral("неверное время ожидания «%1» (1…60000 мс)").arg(p.value(timeout)));
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
            << QStringLiteral("Заводской номер: %1\n").arg(displayText(c.serial()))
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

    OutputFile target(p.value(output));
    QString error;
    if (!target.check(&error))
        return fail(ExitFile, error);

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
    // A backup is only worth its name if write-params will take it: the file
    // passes the same loader before it is written.
    const QByteArray json = file.toJson();
    ParamFile loaded;
    QString reason;
    if (!ParamFile::fromJson(json, &loaded, &reason)) {
        return fail(ExitJobFailed,
                    QStringLiteral("Ошибка загрузки. Прочитанные из ККТ параметры не сохранены: %1\n"
                                   "ККТ передала данные, которые нельзя было бы записать обратно "
                                   "(write-params отказался бы от такого файла). Проверьте, что по адресу "
                                   "отвечает ККТ, и повторите загрузку.")
                        .arg(reason));
    }
    QString path;
    if (!target.write(ParamFile::defaultFileName(file.serial), json, &path, &error))
        return fail(ExitFile, error);
    m_out << QStringLiteral("Параметры ККТ %1 (версия %2) сохранены в %3\n")
                 .arg(displayText(file.serial), file.version, displayText(path));
    m_out.flush();
    return ExitOk;
}

int Cli::writeParams(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Записывает файл параметров в ККТ. Перед записью проверяет, что ККТ по адресу имеет заводской номер\n"
        "и семейство прошивки файла; при несовпадении ничего не записывается. Перед записью читает\n"
        "параметры ККТ и сохраняет их как снимок (korvant-cli snapshots ЗАВОДСКОЙ_НОМЕР); если снимок\n"
        "не прочитан или не сохранён, ничего не записывается."));
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
    // First a snapshot of what the register holds now, from a register that
    // has the file's serial number and family; then the write job itself
    // confirms, on the connection that writes, that the register is the
    // file's before it writes anything.
    DeviceController c;
    const SnapshotResult snapshot
        = SnapshotTaker(c, SnapshotOrigin::Cli)
              .params([&] { return readForSnapshot(c, address, port, false); }, file.serial, file.family());
    int result = snapshot.code;
    if (snapshot.ok()) {
        m_out << snapshot.text() << '\n';
        m_out.flush();
        result = runJob(
            c, [&] { return c.writeParams(address, port, input, file.serial, file.family()); },
            QStringLiteral("Выгрузка в ККТ"));
    } else if (!snapshot.mismatch()) {
        return snapshotFailure(snapshot);
    }
    const DeviceController::Reported reported = c.reported();
    if (result == ErrSerialMismatch) {
        return fail(ExitMismatch,
                    QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из файла %2")
                        .arg(displayText(reported.serial), displayText(file.serial)));
    }
    if (result == ErrFamilyMismatch) {
        return fail(ExitMismatch,
                    QStringLiteral("Версия ККТ %1 не совпадает с семейством файла 2.%2")
                        .arg(versionText(reported.versionMajor, reported.versionMinor, reported.versionBuild))
                        .arg(file.family()));
    }
    if (result != 0) {
        return fail(ExitJobFailed,
                    jobFailure(QStringLiteral("Ошибка выгрузки. %1").arg(result), result, c.writeBegun()));
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

    int portNumber = 0;
    int timeoutMs = 0;
    if (!intOption(p.value(port), 1, 65535, &portNumber))
        return usage(QStringLiteral("неверный порт «%1»").arg(p.value(port)));
    if (!intOption(p.value(timeout), 1, 60000, &timeoutMs))
        return usage(QStringLiteral("неверное время ожидания «%1» (1…60000 мс)").arg(p.value(timeout)));
    DeviceFinder finder;
    finder.setPort(quint16(portNumber));
    finder.setTimeout(timeoutMs);
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
        // The reply grammar admits no control character; escaped all the same.
        for (const QJsonValue &v : found) {
            const QJsonObject o = v.toObject();
            m_out << displayText(o.value(QStringLiteral("device")).toString()) << '\t'
                  << displayText(o.value(QStringLiteral("ip")).toString()) << '\t'
                  << displayText(o.value(QStringLiteral("mac")).toString()) << '\n';
        }
        if (found.isEmpty())
            m_err << QStringLiteral("ККТ не найдены") << '\n';
    }
    m_out.flush();
    m_err.flush();
    return ExitOk;
}
