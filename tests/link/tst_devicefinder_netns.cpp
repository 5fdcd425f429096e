#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <unistd.h>

// The finder with its default targets, i.e. the broadcast addresses of the
// real interfaces, run inside two network namespaces that this test makes:
// namespace A (the finder) and B (a register) joined by a veth pair on a
// private network that exists only between them. Nothing leaves them.
class TestDeviceFinderNetns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultTargetsFindRegisterInOtherNamespace();

private:
    static QString ipTool();
};

namespace {

const QString NsPrefix = QStringLiteral("kvtdisc");

// Runs "ip ARGS"; false with the tool's complaint when it fails.
bool ip(const QStringList &args, QString *error = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QStringLiteral("ip %1: %2")
                     .arg(args.join(' '), QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
    return ok;
}

// Two namespaces named after this process; removed when the guard goes,
// whatever the test's outcome. Programs started in them are killed first.
class NamespacePair
{
public:
    NamespacePair()
        : a(QStringLiteral("%1A%2").arg(NsPrefix).arg(getpid()))
        , b(QStringLiteral("%1B%2").arg(NsPrefix).arg(getpid()))
    {
    }
    ~NamespacePair()
    {
        for (QProcess *p : qAsConst(m_processes)) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
        if (m_madeA)
            ip({ "netns", "del", a });
        if (m_madeB)
            ip({ "netns", "del", b });
    }

    // Both namespaces, the veth pair between them and the addresses.
    bool make(QString *error)
    {
        m_madeA = ip({ "netns", "add", a }, error);
        if (!m_madeA)
            return false;
        m_madeB = ip({ "netns", "add", b }, error);
        return m_madeB
            && ip({ "-n", a, "link", "add", "kva", "type", "veth", "peer", "name", "kvb", "netns", b }, error)
            && ip({ "-n", a, "addr", "add", "10.213.7.1/24", "brd", "+", "dev", "kva" }, error)
            && ip({ "-n", b, "addr", "add", "10.213.7.2/24", "brd", "+", "dev", "kvb" }, error)
            && ip({ "-n", a, "link", "set", "lo", "up" }, error)
            && ip({ "-n", b, "link", "set", "lo", "up" }, error)
            && ip({ "-n", a, "link", "set", "kva", "up" }, error)
            && ip({ "-n", b, "link", "set", "kvb", "up" }, error);
    }

    QProcess *start(const QString &ns, const QStringList &args)
    {
        auto *p = new QProcess;
        m_processes.append(p);
        p->start(QStringLiteral("ip"), QStringList { "netns", "exec", ns } + args);
        return p;
    }

    const QString a;
    const QString b;

private:
    bool m_madeA = false;
    bool m_madeB = false;
    QList<QProcess *> m_processes;
};

} // namespace

QString TestDeviceFinderNetns::ipTool()
{
    return QStandardPaths::findExecutable(QStringLiteral("ip"), { "/usr/sbin", "/sbin", "/usr/bin", "/bin" });
}

void TestDeviceFinderNetns::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("network namespaces cannot be made here: the test needs root");
    if (ipTool().isEmpty())
        QSKIP("network namespaces cannot be made here: the 'ip' tool (iproute2) is missing");
    // The tool is found by name below; make sure the search path has it.
    const QString dir = QFileInfo(ipTool()).absolutePath();
    if (!qEnvironmentVariable("PATH").split(':').contains(dir))
        qputenv("PATH", qgetenv("PATH") + ':' + dir.toLocal8Bit());

    // Namespaces of an earlier run that crashed before removing them.
    QProcess list;
    list.start(QStringLiteral("ip"), { "netns", "list" });
    list.waitForFinished(10000);
    const QRegularExpression ours(QStringLiteral("^%1[AB](\\d+)\\b").arg(NsPrefix));
    for (const QString &line : QString::fromLocal8Bit(list.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch m = ours.match(line);
        if (m.hasMatch() && !QDir(QStringLiteral("/proc/") + m.captured(1)).exists())
            ip({ "netns", "del", line.section(' ', 0, 0) });
    }
}

void TestDeviceFinderNetns::defaultTargetsFindRegisterInOtherNamespace()
{
    NamespacePair ns;
    QString error;
    if (!ns.make(&error))
        QSKIP(qPrintable(QStringLiteral("network namespaces cannot be made here (%1)").arg(error)));

    QProcess *reg = ns.start(ns.b, { DISCOVERY_HELPER, "respond", "777", "02:4b:56:00:00:02", "10.213.7.2" });
    QVERIFY2(reg->waitForReadyRead(10000), reg->readAllStandardError().constData());
    QCOMPARE(reg->readLine().trimmed(), QByteArray("ready"));

    QProcess *finder = ns.start(ns.a, { DISCOVERY_HELPER, "scan" });
    // Upper bound only: one target, one reply window.
    QVERIFY2(finder->waitForFinished(15000), "the scan did not end");
    QCOMPARE(finder->exitCode(), 0);
    const QList<QByteArray> lines = finder->readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    // Only the veth's network: loopback is left out.
    QCOMPARE(lines.at(0), QByteArray("targets: 10.213.7.255"));
    QCOMPARE(lines.at(1), QByteArray(R"([{"device":"777","ip":"10.213.7.2","mac":"02:4b:56:00:00:02"}])"));
}

QTEST_GUILESS_MAIN(TestDeviceFinderNetns)
#include "tst_devicefinder_netns.moc"
