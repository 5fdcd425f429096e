#include "cli.h"

#include "paramfile.h"
#include "paramsview.h"

#include "app/appsettings.h"
#include "app/deviceregistry.h"
#include "app/firmware.h"
#include "link/devicecontroller.h"
#include "link/devicefinder.h"
#include "link/reachability.h"
#include "link/taggedrecord.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTextStream>

#include <memory>
#include <stdio.h>
#include <unistd.h>

namespace {

constexpr int PingTimeoutMs = 1000;
constexpr quint16 DefaultPort = 8080;

QString exitStatusHelp()
{
    return QStringLiteral(R"(
Коды завершения:
  0  успешно
  1  diff: файлы различаются
  2  ошибка в командной строке
  3  ККТ по адресу не отвечает
  4  обмен с ККТ завершился ошибкой (код результата выводится)
  5  заводской номер или семейство прошивки ККТ не совпадает с файлом
  6  ошибка чтения или записи файла или хранилища настроек
)");
}

struct CommandInfo
{
    const char *name;
    const char *synopsis;
    const char *summary;
    int (Cli::*run)(const QStringList &);
};

bool isTerminal(FILE *f)
{
    return isatty(fileno(f)) == 1;
}

} // namespace

// Network options shared by the commands that talk to a register.
struct Cli::NetOptions
{
    QCommandLineOption port { QStringLiteral("port"), QStringLiteral("TCP-порт ККТ (по умолчанию 8080)."),
                              QStringLiteral("N"), QString::number(DefaultPort) };
    QCommandLineOption noPing { QStringLiteral("no-ping"),
                                QStringLiteral("Не проверять доступность адреса перед обменом.") };

    void addTo(QCommandLineParser &p) const { p.addOptions({ port, noPing }); }
};

Cli::Cli(QTextStream &out, QTextStream &err)
    : m_out(out)
    , m_err(err)
{
}

// The command table lives here so that help and dispatch agree.
static const CommandInfo Commands[] = {
    { "ping", "ping ADDRESS", "проверить, отвечает ли адрес", &Cli::ping },
    { "info", "info ADDRESS [--json]", "заводской номер, версия, семейство и ёмкость номенклатуры ККТ",
      &Cli::info },
    { "read-params", "read-params ADDRESS [-o FILE]", "прочитать параметры ККТ в файл", &Cli::readParams },
    { "write-params", "write-params ADDRESS FILE", "записать файл параметров в ККТ", &Cli::writeParams },
    { "show", "show FILE", "показать параметры из файла в виде JSON", &Cli::show },
    { "diff", "diff FILE_A FILE_B", "показать различающиеся поля двух файлов", &Cli::diff },
    { "profile", "profile list | export SERIAL [-o FILE] | import FILE", "профили ККТ в настройках программы",
      &Cli::profile },
    { "scan", "scan [--target ADDRESS...]", "найти ККТ в локальной сети", &Cli::scan },
};

int Cli::run(const QStringList &args)
{
    const QStringList rest = args.mid(1);
    if (rest.isEmpty() || rest.first() == QLatin1String("--help") || rest.first() == QLatin1String("-h")
        || rest.first() == QLatin1String("help")) {
        m_out << QStringLiteral("Использование: korvant-cli КОМАНДА [ПАРАМЕТРЫ]\n\n"
                                "Настройка ККТ Korvant из командной строки. Команды:\n");
        for (const CommandInfo &c : Commands)
            m_out << QStringLiteral("  %1\n      %2\n")
                         .arg(QString::fromUtf8(c.synopsis), QString::fromUtf8(c.summary));
        m_out << QStringLiteral("\nПодробнее о команде: korvant-cli КОМАНДА --help\n") << exitStatusHelp();
        m_out.flush();
        return rest.isEmpty() ? ExitUsage : ExitOk;
    }
    for (const CommandInfo &c : Commands) {
        if (rest.first() == QLatin1String(c.name))
            return (this->*c.run)(rest);
    }
    return usage(QStringLiteral("неизвестная команда «%1»").arg(rest.first()));
}

int Cli::fail(int exit, const QString &message)
{
    m_err << message << '\n';
    m_err.flush();
    return exit;
}

int Cli::usage(const QString &message)
{
    m_err << QStringLiteral("korvant-cli: %1\nСправка: korvant-cli --help\n").arg(message);
    m_err.flush();
    return ExitUsage;
}

// Parses one command's arguments; on --help prints the help and sets *exit.
bool Cli::parse(QCommandLineParser &p, const QStringList &args, int minArgs, int maxArgs, int *exit)
{
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList { QStringLiteral("h"), QStringLiteral("help") },
                                  QStringLiteral("Показать эту справку."));
    p.addOption(help);
    if (!p.parse(args)) {
        *exit = usage(p.errorText());
        return false;
    }
    if (p.isSet(help)) {
        QString text = p.helpText();
        const QStringList argv0 = QCoreApplication::arguments();
        if (!argv0.isEmpty())
            text.replace(argv0.first(), QStringLiteral("korvant-cli %1").arg(args.first()));
        text.replace(QStringLiteral("Usage:"), QStringLiteral("Использование:"));
        text.replace(QStringLiteral("Options:"), QStringLiteral("Параметры:"));
        text.replace(QStringLiteral("Arguments:"), QStringLiteral("Аргументы:"));
        text.replace(QStringLiteral("[options]"), QStringLiteral("[параметры]"));
        m_out << text << exitStatusHelp();
        m_out.flush();
        *exit = ExitOk;
        return false;
    }
    const int n = p.positionalArguments().size();
    if (n < minArgs || n > maxArgs) {
        *exit = usage(n < minArgs ? QStringLiteral("не хватает аргументов команды %1").arg(args.first())
                                  : QStringLiteral("лишние аргументы команды %1").arg(args.first()));
        return false;
    }
    return true;
}

bool Cli::reachable(const QString &address, bool skip)
{
    if (skip)
        return true;
    const int code = Reachability::pingFunction()(address, PingTimeoutMs);
    if (code == 0)
        return true;
    fail(ExitUnreachable, QStringLiteral("ККТ по адресу %1 не доступен").arg(address));
    return false;
}

int Cli::openTarget(const QCommandLineParser &p, const NetOptions &net, QString *address, quint16 *port)
{
    *address = p.positionalArguments().first();
    bool ok = false;
    const uint value = p.value(net.port).toUInt(&ok);
    if (!ok || value < 1 || value > 65535)
        return usage(QStringLiteral("неверный порт «%1»").arg(p.value(net.port)));
    *port = quint16(value);
    return reachable(*address, p.isSet(net.noPing)) ? int(ExitOk) : int(ExitUnreachable);
}

int Cli::runJob(DeviceController &controller, const std::function<bool()> &start, const QString &label)
{
    QEventLoop loop;
    QObject::connect(&controller, &DeviceController::finished, &loop, &QEventLoop::quit);
    // Progress only where a person watches it; scripts get clean output.
    std::shared_ptr<int> total = std::make_shared<int>(0);
    QMetaObject::Connection pagesConn, frameConn;
    if (isTerminal(stderr) && !label.isEmpty()) {
        pagesConn = QObject::connect(&controller, &DeviceController::pages, [total](int n) { *total = n; });
        frameConn = QObject::connect(&controller, &DeviceController::frame, [this, total, label](int n) {
            m_err << '\r' << label << ": " << n;
            if (*total > 0)
                m_err << " / " << *total;
            m_err << QStringLiteral(" стр.");
            m_err.flush();
        });
    }
    if (!start())
        return -1;
    loop.exec();
    QObject::disconnect(pagesConn);
    QObject::disconnect(frameConn);
    if (frameConn) {
        m_err << '\n';
        m_err.flush();
    }
    return controller.result();
}

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
    const int code = Reachability::pingFunction()(address, p.value(timeout).toInt());
    if (code == 0) {
        m_out << QStringLiteral("ККТ по адресу %1 отвечает").arg(address) << '\n';
        m_out.flush();
        return ExitOk;
    }
    return fail(ExitUnreachable, QStringLiteral("ККТ по адресу %1 не доступен (%2)").arg(address).arg(code));
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
        return fail(ExitJobFailed,
                    QStringLiteral("Ошибка подключения (%1) к ККТ по адресу %2").arg(result).arg(address));
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
        return fail(ExitJobFailed, QStringLiteral("Ошибка загрузки. %1").arg(result));
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

    DeviceController c;
    int result = runJob(
        c, [&] { return c.queryInfo(address, port); }, QString());
    if (result != 0) {
        return fail(ExitJobFailed,
                    QStringLiteral("Ошибка подключения (%1) к ККТ по адресу %2").arg(result).arg(address));
    }
    if (c.serial() != file.serial) {
        return fail(ExitMismatch,
                    QStringLiteral("Заводской номер ККТ %1 не совпадает с номером из файла %2")
                        .arg(c.serial(), file.serial));
    }
    const QString version = versionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    if (!isVersionSupported(c.versionMajor(), c.versionMinor(), c.versionBuild())
        || c.versionMinor() != file.family()) {
        return fail(ExitMismatch,
                    QStringLiteral("Версия ККТ %1 не совпадает с семейством файла 2.%2")
                        .arg(version)
                        .arg(file.family()));
    }

    QByteArray input = TaggedRecord::make(TaggedRecord::ParameterImageTag, file.params);
    if (!file.system.isEmpty())
        input += TaggedRecord::make(TaggedRecord::SystemImageTag, file.system);
    result = runJob(
        c, [&] { return c.writeParams(address, port, input); }, QStringLiteral("Выгрузка в ККТ"));
    if (result != 0) {
        return fail(ExitJobFailed, QStringLiteral("Ошибка выгрузки. %1").arg(result));
    }
    m_out << QStringLiteral("Выгрузка завершена успешно") << '\n';
    m_out.flush();
    return ExitOk;
}

// Loads a file and decodes its parameter set; prints the error and returns
// nullptr when either fails.
std::unique_ptr<DeviceParams> Cli::decode(const QString &path, ParamFile *file)
{
    QString error;
    if (!ParamFile::load(path, file, &error)) {
        fail(ExitFile, error);
        return nullptr;
    }
    std::unique_ptr<DeviceParams> params(DeviceParams::create(file->version));
    params->fromImage(file->params, file->system);
    return params;
}

int Cli::show(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Выводит параметры из файла в JSON: каждое поле под своим именем, тексты в UTF-8,\n"
        "суммы и количества десятичными числами, сохраняемые без изменений байты в шестнадцатеричном виде."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл параметров."));
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    ParamFile file;
    const std::unique_ptr<DeviceParams> params = decode(p.positionalArguments().first(), &file);
    if (!params)
        return ExitFile;

    JsonTextWriter w;
    w.beginObject(QString());
    w.value(QStringLiteral("serial"), file.serial);
    w.value(QStringLiteral("version"), file.version);
    w.value(QStringLiteral("goodsCapacity"), file.goodsCapacity);
    w.beginObject(QStringLiteral("params"));
    visitParams(*params, w);
    w.endObject();
    w.endObject();
    m_out << QString::fromUtf8(w.text());
    m_out.flush();
    return ExitOk;
}

namespace {

// Bytes that differ between a and b.
int countDifferent(const QByteArray &a, const QByteArray &b)
{
    int n = qAbs(a.size() - b.size());
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        n += a.at(i) != b.at(i);
    return n;
}

} // namespace

int Cli::diff(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Сравнивает два файла параметров и выводит различающиеся поля, по одному в строке:\n"
                       "  путь: было -> стало\n"
                       "Код завершения 1, если что-то различается, 0, если файлы совпадают."));
    p.addPositionalArgument(QStringLiteral("FILE_A"), QStringLiteral("Первый файл."));
    p.addPositionalArgument(QStringLiteral("FILE_B"), QStringLiteral("Второй файл."));
    int exit = 0;
    if (!parse(p, args, 2, 2, &exit))
        return exit;
    ParamFile a, b;
    const std::unique_ptr<DeviceParams> pa = decode(p.positionalArguments().at(0), &a);
    if (!pa)
        return ExitFile;
    const std::unique_ptr<DeviceParams> pb = decode(p.positionalArguments().at(1), &b);
    if (!pb)
        return ExitFile;

    QStringList lines;
    const auto compare = [&](const QString &path, const QString &x, const QString &y) {
        if (x != y)
            lines.append(QStringLiteral("%1: %2 -> %3").arg(path, x, y));
    };
    compare(QStringLiteral("serial"), a.serial, b.serial);
    compare(QStringLiteral("version"), a.version, b.version);
    compare(QStringLiteral("goodsCapacity"), QString::number(a.goodsCapacity),
            QString::number(b.goodsCapacity));

    const FieldList fa = paramsToFields(*pa);
    const FieldList fb = paramsToFields(*pb);
    QHash<QString, QString> inB;
    for (const auto &f : fb)
        inB.insert(f.first, f.second);
    const QString missing = QStringLiteral("(нет)");
    QSet<QString> inA;
    for (const auto &f : fa) {
        inA.insert(f.first);
        compare(f.first, f.second, inB.value(f.first, missing));
    }
    for (const auto &f : fb) {
        if (!inA.contains(f.first))
            compare(f.first, missing, f.second);
    }

    // Bytes outside the known fields: write A's fields over a copy of each
    // image, so only what no field covers can still differ.
    if (a.family() == b.family()) {
        QByteArray aParams = a.params, aSystem = a.system;
        pa->toImage(aParams, aSystem);
        QByteArray bParams = b.params, bSystem = b.system;
        pa->toImage(bParams, bSystem);
        const int params = countDifferent(aParams, bParams);
        const int system = countDifferent(aSystem, bSystem);
        if (params > 0)
            lines.append(QStringLiteral("params: %1 байт вне известных полей различаются").arg(params));
        if (system > 0)
            lines.append(QStringLiteral("system: %1 байт вне известных полей различаются").arg(system));
    }
    for (const QString &line : qAsConst(lines))
        m_out << line << '\n';
    m_out.flush();
    return lines.isEmpty() ? ExitOk : ExitDiffers;
}

int Cli::profile(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Профили ККТ в настройках программы (те же, что видит графическая программа):\n"
        "  profile list                      список профилей\n"
        "  profile export SERIAL [-o FILE]   профиль в файл параметров\n"
        "  profile import FILE               файл параметров в профиль (и ККТ в список, если её там нет)"));
    p.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("list, export или import."));
    p.addPositionalArgument(QStringLiteral("ARG"),
                            QStringLiteral("Заводской номер (export) или файл (import)."));
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                    QStringLiteral("Файл (по умолчанию ЗАВОДСКОЙ_НОМЕР.params.json)."),
                                    QStringLiteral("FILE"));
    p.addOption(output);
    int exit = 0;
    if (!parse(p, args, 1, 2, &exit))
        return exit;
    const QStringList pos = p.positionalArguments();
    const QString action = pos.first();

    if (action == QLatin1String("list") && pos.size() == 1) {
        QStringList keys;
        {
            AppSettings store;
            store.settings()->beginGroup(QStringLiteral("profiles"));
            keys = store.settings()->childGroups();
            store.settings()->endGroup();
        }
        const DeviceRegistry registry;
        for (const QString &key : qAsConst(keys)) {
            QString version, name;
            int cap = 0;
            QByteArray params, system, goods;
            DeviceProfile().load(key, version, cap, params, system);
            DeviceProfile().loadGoods(key, goods);
            for (const DeviceEntry &e : registry.entries()) {
                if (e.serial == key)
                    name = e.name;
            }
            m_out << QStringLiteral("%1\t%2\t%3\tпараметры %4 байт, номенклатура %5 байт\n")
                         .arg(key, version.isEmpty() ? QStringLiteral("-") : version,
                              name.isEmpty() ? QStringLiteral("(нет в списке)") : name)
                         .arg(params.size())
                         .arg(goods.size());
        }
        m_out.flush();
        return ExitOk;
    }

    if (action == QLatin1String("export") && pos.size() == 2) {
        ParamFile file;
        file.serial = pos.at(1);
        DeviceProfile().load(file.serial, file.version, file.goodsCapacity, file.params, file.system);
        DeviceProfile().loadGoods(file.serial, file.goods);
        file.source = QStringLiteral("профиль");
        file.saved = QDateTime::currentDateTime();
        if (file.params.isEmpty()) {
            return fail(ExitFile, QStringLiteral("Нет сохранённых параметров ККТ %1").arg(file.serial));
        }
        // What cannot be read back is not written.
        QString error;
        ParamFile check;
        const QString path = p.isSet(output) ? p.value(output) : file.serial + QStringLiteral(".params.json");
        if (!ParamFile::fromJson(file.toJson(), &check, &error) || !file.save(path, &error)) {
            return fail(ExitFile, QStringLiteral("Профиль ККТ %1: %2").arg(file.serial, error));
        }
        m_out << QStringLiteral("Профиль ККТ %1 сохранён в %2\n").arg(file.serial, path);
        m_out.flush();
        return ExitOk;
    }

    if (action == QLatin1String("import") && pos.size() == 2) {
        ParamFile file;
        QString error;
        if (!ParamFile::load(pos.at(1), &file, &error)) {
            return fail(ExitFile, error);
        }
        bool ok
            = DeviceProfile().save(file.serial, file.version, file.goodsCapacity, file.params, file.system);
        if (!file.goods.isEmpty())
            ok = DeviceProfile().saveGoods(file.serial, file.goods) && ok;
        {
            DeviceRegistry registry;
            bool listed = false;
            for (const DeviceEntry &e : registry.entries())
                listed = listed || e.serial == file.serial;
            if (listed)
                registry.setDeviceVersion(file.serial, file.version);
            else
                registry.addDevice(file.serial, file.version, QString(), QString());
            ok = registry.save() && ok;
        }
        if (!ok) {
            return fail(ExitFile, QStringLiteral("Не удалось записать настройки программы"));
        }
        m_out << QStringLiteral("Профиль ККТ %1 (версия %2) загружен из %3\n")
                     .arg(file.serial, file.version, pos.at(1));
        m_out.flush();
        return ExitOk;
    }
    return usage(QStringLiteral("profile: ожидается list, export SERIAL или import FILE"));
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
            const QHostAddress a(t);
            if (a.protocol() != QAbstractSocket::IPv4Protocol)
                return usage(QStringLiteral("«%1» — не IPv4-адрес").arg(t));
            targets.append(a);
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
