// korvant-sim: a simulated register to point the utility at.

#include "app/version.h"
#include "link/frame.h"
#include "sim/registersimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>

#include <cstdio>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>

#include <windows.h>
#endif

namespace {

struct FaultOption
{
    const char *name;
    RegisterSimulator::Fault fault;
    const char *help;
    bool takesAmount; // the value is AMOUNT[@WHICH]
};

const FaultOption faultOptions[] = {
    { "reply-delay", RegisterSimulator::ReplyDelay, "Delay replies by MS milliseconds.", true },
    { "no-reply", RegisterSimulator::NoReply, "Swallow the request; keep the connection open.", false },
    { "split-reply", RegisterSimulator::SplitReply, "Send the reply in N pieces, 100 ms apart.", true },
    { "bad-crc", RegisterSimulator::BadCrc, "Send a reply with a wrong CRC.", false },
    { "short-payload", RegisterSimulator::ShortPayload, "Send a reply one byte short of its length.", false },
    { "wrong-value-count", RegisterSimulator::WrongValueCount, "Send a reply without values.", false },
    { "wrong-value", RegisterSimulator::WrongValue,
      "Send a wrong value (read: count + 1, write: 2, identity: version 0).", false },
    { "reject-writes", RegisterSimulator::WriteRejected, "Refuse page writes.", false },
    { "close-connection", RegisterSimulator::CloseConnection, "Close the connection instead of replying.",
      false },
    { "oversized-length", RegisterSimulator::OversizedLength, "Declare an impossible reply length.", false },
    { "short-page-data", RegisterSimulator::ShortPageData,
      "Answer a read with the count confirmed but its data 16 bytes short.", false },
    { "duplicate-reply", RegisterSimulator::DuplicateReply,
      "Send the reply twice, the copy MS milliseconds later (0: right behind it).", true },
    { "repeat-reply", RegisterSimulator::RepeatedReply,
      "Send the reply, and a copy of it again when the next request arrives, ahead of\n"
      "that request's reply (give --reply-delay too, and every later reply is off by one).",
      false },
};

// DURATION[@INTERVAL] in milliseconds.
bool parseFlood(const QString &text, bool junk, RegisterSimulator::DiscoveryFlood *flood)
{
    const int at = text.indexOf(QLatin1Char('@'));
    bool ok = false;
    flood->durationMs = text.left(at).toInt(&ok);
    if (!ok || flood->durationMs < 0)
        return false;
    flood->intervalMs = at < 0 ? 0 : text.mid(at + 1).toInt(&ok);
    flood->junk = junk;
    return ok && flood->intervalMs >= 0;
}

// WHICH: all | N (request index within each connection, from 0) | info | read | write | write-system
bool parseWhich(const QString &text, RegisterSimulator::FaultRule *rule)
{
    static const QHash<QString, int> commands = {
        { QStringLiteral("info"), Frame::CmdInfo },
        { QStringLiteral("read"), Frame::CmdReadPages },
        { QStringLiteral("write"), Frame::CmdWritePages },
        { QStringLiteral("write-system"), Frame::CmdWriteSystemPages },
    };
    if (text.isEmpty() || text == QLatin1String("all"))
        return true;
    if (commands.contains(text)) {
        rule->command = commands.value(text);
        return true;
    }
    bool ok = false;
    rule->request = text.toInt(&ok);
    return ok && rule->request >= 0;
}

bool parseFault(const FaultOption &option, const QString &value, RegisterSimulator::FaultRule *rule)
{
    rule->fault = option.fault;
    QString which = value;
    if (option.takesAmount) {
        const int at = value.indexOf(QLatin1Char('@'));
        bool ok = false;
        const int amount = value.left(at).toInt(&ok);
        if (!ok || amount < 0)
            return false;
        which = at < 0 ? QString() : value.mid(at + 1);
        if (option.fault == RegisterSimulator::SplitReply) {
            rule->pieces = amount;
            rule->delayMs = 100;
        } else {
            rule->delayMs = amount;
        }
    }
    return parseWhich(which, rule);
}

int fail(const QString &message)
{
    fprintf(stderr, "korvant-sim: %s\n", qPrintable(message));
    return 2;
}

#ifdef Q_OS_WIN
// QProcess::terminate() and other polite stops on Windows post WM_CLOSE to
// the main thread: a console program has no window to get it, so it quits
// here (the store is saved after each write, nothing is lost).
class CloseRequestFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &, void *message, long *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (msg->hwnd == nullptr && msg->message == WM_CLOSE) {
            QCoreApplication::quit();
            return true;
        }
        return false;
    }
};
#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    CloseRequestFilter closeRequest;
    app.installNativeEventFilter(&closeRequest);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("korvant-sim"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(KorvantVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Korvant cash register: serves jobs on TCP and answers the discovery probe on UDP.\n"
        "Fault options take WHICH requests they strike: all (the default), N (the N-th request of\n"
        "every connection, counted from 0: 0 identity, 1 directory, 2 serial, then the job's own),\n"
        "or a command: info, read, write, write-system. Faults may be given more than once."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addOptions({
        { QStringLiteral("address"), QStringLiteral("IPv4 address to listen on (default 127.0.0.2)."),
          QStringLiteral("ADDR"), QStringLiteral("127.0.0.2") },
        { QStringLiteral("port"), QStringLiteral("TCP port for jobs (default 8080, 0: any free port)."),
          QStringLiteral("N"), QStringLiteral("8080") },
        { QStringLiteral("discovery-port"),
          QStringLiteral("UDP port of the discovery responder (default 8090, 0: off)."), QStringLiteral("N"),
          QStringLiteral("8090") },
        { QStringLiteral("family"), QStringLiteral("Firmware family: 2.52 or 2.53 (default 2.53)."),
          QStringLiteral("2.52|2.53"), QStringLiteral("2.53") },
        { QStringLiteral("serial"), QStringLiteral("Serial number (default 0012345678)."),
          QStringLiteral("TEXT"), QStringLiteral("0012345678") },
        { QStringLiteral("connection-serials"),
          QStringLiteral("Serial numbers for the next connections, comma-separated: each new\n"
                         "connection takes the next one, as if another register answered; the\n"
                         "last one stays."),
          QStringLiteral("LIST") },
        // The utility accepts 2.52 from build 38 on: the default must be one it takes.
        { QStringLiteral("version-build"),
          QStringLiteral("Build number of the firmware version (default 40; the utility\n"
                         "refuses 2.52 builds up to 37)."),
          QStringLiteral("N"), QStringLiteral("40") },
        { QStringLiteral("goods-capacity"), QStringLiteral("Goods rows the register accepts (default 2000)."),
          QStringLiteral("N"), QStringLiteral("2000") },
        { QStringLiteral("info-values"),
          QStringLiteral("Values in the identity reply: 1, 2 or 3 (default 3; capacity only with 3)."),
          QStringLiteral("N"), QStringLiteral("3") },
        { QStringLiteral("state"),
          QStringLiteral("Load the store from FILE when it exists; save it back after every write.\n"
                         "A loaded store keeps its own serial number: --serial then only names\n"
                         "the register of a new store (a differing one is reported and not used)."),
          QStringLiteral("FILE") },
        { QStringLiteral("blank-params"),
          QStringLiteral("Start with a zeroed parameter image instead of the demo parameter set\n"
                         "(an organisation, departments and receipt texts on the family's defaults).") },
        { QStringLiteral("never-accept"),
          QStringLiteral("Listen, but never accept a connection: connect attempts go unanswered.") },
        { QStringLiteral("discovery-flood"),
          QStringLiteral("After each probe, repeat the reply for DURATION ms, every INTERVAL ms\n"
                         "(default 0: as fast as possible)."),
          QStringLiteral("DURATION[@INTERVAL]") },
        { QStringLiteral("discovery-junk"),
          QStringLiteral("After each probe, send datagrams that are no reply for DURATION ms,\n"
                         "every INTERVAL ms (default 0: as fast as possible)."),
          QStringLiteral("DURATION[@INTERVAL]") },
        { QStringLiteral("verbose"), QStringLiteral("Print every request.") },
    });
    for (const FaultOption &f : faultOptions) {
        const QString value = f.takesAmount
            ? (f.fault == RegisterSimulator::SplitReply ? QStringLiteral("N[@WHICH]")
                                                        : QStringLiteral("MS[@WHICH]"))
            : QStringLiteral("WHICH");
        parser.addOption({ QString::fromLatin1(f.name), QString::fromLatin1(f.help), value });
    }
    // Printed here, not by QCommandLineParser::process(), which on Windows
    // shows a message box to a program started without a console window.
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(versionOption)) {
        printf("korvant-sim %s\n", KorvantVersion);
        return 0;
    }
    if (parser.isSet(helpOption)) {
        printf("%s", qPrintable(parser.helpText()));
        return 0;
    }

    RegisterSimulator::Config config;
    const QString family = parser.value(QStringLiteral("family"));
    if (family == QLatin1String("2.52"))
        config.family = RegisterSimulator::Family252;
    else if (family != QLatin1String("2.53"))
        return fail(QStringLiteral("unknown family %1 (2.52 or 2.53)").arg(family));
    config.serial = parser.value(QStringLiteral("serial"));
    bool ok = false;
    const int build = parser.value(QStringLiteral("version-build")).toInt(&ok);
    if (!ok || build < 0 || build > 0xFFFF)
        return fail(QStringLiteral("bad --version-build"));
    config.versionWord
        = 2u << 28 | quint32(config.family == RegisterSimulator::Family252 ? 52 : 53) << 16 | quint32(build);
    config.goodsCapacity = parser.value(QStringLiteral("goods-capacity")).toInt(&ok);
    if (!ok || config.goodsCapacity < 0 || config.goodsCapacity > 100000)
        return fail(QStringLiteral("bad --goods-capacity"));
    config.infoValues = parser.value(QStringLiteral("info-values")).toInt(&ok);
    if (!ok || config.infoValues < 1 || config.infoValues > 3)
        return fail(QStringLiteral("bad --info-values (1, 2 or 3)"));
    config.discoveryPort = parser.value(QStringLiteral("discovery-port")).toInt(&ok);
    if (!ok || config.discoveryPort < 0 || config.discoveryPort > 65535)
        return fail(QStringLiteral("bad --discovery-port"));
    const int port = parser.value(QStringLiteral("port")).toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return fail(QStringLiteral("bad --port"));
    const QHostAddress address(parser.value(QStringLiteral("address")));
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return fail(QStringLiteral("--address needs an IPv4 address"));

    RegisterSimulator sim(config);
    if (!parser.isSet(QStringLiteral("blank-params")))
        sim.fillDemoParameters();
    for (const FaultOption &f : faultOptions) {
        const QStringList values = parser.values(QString::fromLatin1(f.name));
        for (const QString &value : values) {
            RegisterSimulator::FaultRule rule;
            if (!parseFault(f, value, &rule))
                return fail(QStringLiteral("bad --%1 %2").arg(QString::fromLatin1(f.name), value));
            sim.addFault(rule);
        }
    }

    for (const bool junk : { false, true }) {
        const QString name = junk ? QStringLiteral("discovery-junk") : QStringLiteral("discovery-flood");
        if (!parser.isSet(name))
            continue;
        RegisterSimulator::DiscoveryFlood flood;
        if (!parseFlood(parser.value(name), junk, &flood))
            return fail(QStringLiteral("bad --%1 %2").arg(name, parser.value(name)));
        sim.setDiscoveryFlood(flood);
    }

    if (parser.isSet(QStringLiteral("connection-serials")))
        sim.setConnectionSerials(parser.value(QStringLiteral("connection-serials")).split(QLatin1Char(',')));

    const QString state = parser.value(QStringLiteral("state"));
    if (!state.isEmpty()) {
        if (QFile::exists(state)) {
            if (!sim.loadStore(state))
                return fail(QStringLiteral("%1 is no store file").arg(state));
            // The store is the register: its serial number wins over the option.
            if (parser.isSet(QStringLiteral("serial")) && sim.serial() != config.serial)
                fprintf(stderr,
                        "korvant-sim: --serial %s not used: the store in %s holds serial number %s "
                        "(delete the file to start afresh)\n",
                        qPrintable(config.serial), qPrintable(state), qPrintable(sim.serial()));
        }
        QObject::connect(&sim, &RegisterSimulator::stored, &sim, [&sim, state] {
            if (!sim.saveStore(state))
                fprintf(stderr, "korvant-sim: cannot save %s\n", qPrintable(state));
        });
    }
    if (parser.isSet(QStringLiteral("verbose"))) {
        QObject::connect(
            &sim, &RegisterSimulator::requestReceived, &sim, [](const RegisterSimulator::Request &r) {
                QStringList args;
                for (qint32 a : r.args)
                    args << QString::number(a);
                printf("connection %d request %d: command %02X (%s), %d data bytes\n", r.connection, r.index,
                       r.command, qPrintable(args.join(QLatin1String(", "))), int(r.data.size()));
                fflush(stdout);
            });
    }

    if (parser.isSet(QStringLiteral("never-accept"))) {
        if (!sim.listenWithoutAccepting(address, quint16(port)))
            return 1;
        printf("korvant-sim: %s:%u listens but accepts no connection\n", qPrintable(address.toString()),
               sim.serverPort());
        fflush(stdout);
        return app.exec();
    }
    if (!sim.listen(address, quint16(port)))
        return 1;
    printf("korvant-sim: register %s, family %s, version word %08X, goods capacity %d\n"
           "listening on %s:%u (jobs)",
           qPrintable(sim.serial()), qPrintable(family), sim.versionWord(), config.goodsCapacity,
           qPrintable(address.toString()), sim.serverPort());
    if (sim.discoveryPort())
        printf(", %s:%u (discovery, MAC %s)", qPrintable(address.toString()), sim.discoveryPort(),
               qPrintable(sim.macAddress()));
    printf("\n");
    fflush(stdout);
    return app.exec();
}
