#include "cli.h"

#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/devicejobloop.h"
#include "link/ipv4address.h"
#include "link/reachability.h"
#include "params/textcodec.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QTextStream>

#include <memory>
#ifdef Q_OS_WIN
#include "wideconsole.h"
#else
#include <unistd.h>
#endif

namespace {

QString exitStatusHelp()
{
    return QStringLiteral(R"(
Коды завершения:
  0  успешно
  1  diff, goods-diff: файлы различаются; check, goods-check: найдены ошибки
  2  ошибка в командной строке; set: значение не принято
  3  ККТ по адресу не отвечает
  4  обмен с ККТ завершился ошибкой (код результата выводится), в том числе чтение
     снимка перед записью
  5  заводской номер или семейство прошивки ККТ не совпадает с файлом
  6  ошибка чтения или записи файла или хранилища настроек, в том числе снимка перед
     записью; файл CSV не загружен
)");
}

struct CommandInfo
{
    const char *name;
    const char *synopsis;
    const char *summary;
    int (Cli::*run)(const QStringList &);
};

} // namespace

bool Cli::isTerminal(FILE *f)
{
#ifdef Q_OS_WIN
    // isatty() also holds for NUL.
    return WideConsole::isConsole(f);
#else
    return isatty(fileno(f)) == 1;
#endif
}

Cli::NetOptions::NetOptions()
    : port(QStringLiteral("port"), QStringLiteral("TCP-порт ККТ (по умолчанию 8080)."), QStringLiteral("N"),
           QString::number(DefaultPort))
    , noPing(QStringLiteral("no-ping"), QStringLiteral("Не проверять доступность адреса перед обменом."))
{
}

void Cli::NetOptions::addTo(QCommandLineParser &p) const
{
    p.addOptions({ port, noPing });
}

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
    { "apply", "apply FILE --groups LIST ADDRESS... [--dry-run] [--jobs N]",
      "применить выбранные группы данных из файла к нескольким ККТ, с отличиями и проверкой", &Cli::apply },
    { "apply-goods", "apply-goods FILE.csv ADDRESS... [--dry-run] [--jobs N]",
      "записать номенклатуру из файла CSV в несколько ККТ, с отличиями по товарам и проверкой",
      &Cli::applyGoods },
    { "inventory", "inventory [ADDRESS...] [--csv|--json] [--jobs N]",
      "сводка по ККТ: что за ККТ, регистрация, ОФД, номенклатура, замечания", &Cli::inventory },
    { "show", "show FILE", "показать параметры из файла в виде JSON", &Cli::show },
    { "diff", "diff FILE_A FILE_B", "показать различающиеся поля двух файлов", &Cli::diff },
    { "set", "set FILE PATH=VALUE... [-o OUT]", "задать значения полей в файле параметров по именам",
      &Cli::set },
    { "check", "check FILE [--json]", "проверить параметры из файла по правилам вкладок окна ККТ",
      &Cli::check },
    { "profile", "profile list | export SERIAL [-o FILE] | import FILE", "профили ККТ в настройках программы",
      &Cli::profile },
    { "scan", "scan [--target ADDRESS...]", "найти ККТ в локальной сети", &Cli::scan },
    { "read-goods", "read-goods ADDRESS [-o FILE.csv]", "прочитать номенклатуру ККТ в файл CSV",
      &Cli::readGoods },
    { "write-goods", "write-goods ADDRESS FILE.csv --serial SERIAL",
      "записать номенклатуру из файла CSV в ККТ", &Cli::writeGoods },
    { "goods-check", "goods-check FILE.csv [--capacity N] [--departments N] [--params FILE] [--json]",
      "проверить номенклатуру из файла CSV по правилам окна «Номенклатура»", &Cli::goodsCheck },
    { "goods-diff", "goods-diff FILE_A.csv FILE_B.csv",
      "показать товары, добавленные, удалённые и изменённые во втором файле CSV", &Cli::goodsDiff },
    { "snapshots", "snapshots SERIAL", "снимки ККТ, сделанные перед записью в неё", &Cli::snapshots },
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

void Cli::writeBytes(const QByteArray &bytes)
{
    m_out.flush();
    if (QIODevice *device = m_out.device()) {
        device->write(bytes);
        if (auto *file = qobject_cast<QFileDevice *>(device))
            file->flush();
        return;
    }
    // The text the bytes carry, in whichever of the two code pages they are.
    const QByteArray bom("\xEF\xBB\xBF");
    m_out << (bytes.startsWith(bom) ? QString::fromUtf8(bytes.mid(bom.size())) : TextCodec::decode(bytes));
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
    if (!Ipv4Address::isValid(*address))
        return usage(QStringLiteral("«%1» — не IPv4-адрес").arg(*address));
    int exit = ExitOk;
    if (!portValue(p, net, port, &exit))
        return exit;
    return reachable(*address, p.isSet(net.noPing)) ? int(ExitOk) : int(ExitUnreachable);
}

bool Cli::portValue(const QCommandLineParser &p, const NetOptions &net, quint16 *port, int *exit)
{
    bool ok = false;
    const uint value = p.value(net.port).toUInt(&ok);
    if (!ok || value < 1 || value > 65535) {
        *exit = usage(QStringLiteral("неверный порт «%1»").arg(p.value(net.port)));
        return false;
    }
    *port = quint16(value);
    return true;
}

int Cli::runJob(DeviceController &controller, const std::function<bool()> &start, const QString &label)
{
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
    const int result = runDeviceJob(controller, start);
    QObject::disconnect(pagesConn);
    QObject::disconnect(frameConn);
    if (frameConn) {
        m_err << '\n';
        m_err.flush();
    }
    return result;
}
