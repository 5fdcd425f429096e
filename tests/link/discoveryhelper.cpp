// Both sides of a discovery scan as separate programs, so that the namespace
// test can run each inside its own network namespace.
//
//   discovery_helper respond SERIAL MAC IP   answer probes on port 8090 of
//                                            every address; prints "ready"
//   discovery_helper scan                    one scan with the finder's
//                                            defaults; prints the targets and
//                                            the result
#include "support/discoveryresponder.h"

#include "link/devicefinder.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

int respond(const QStringList &args)
{
    if (args.size() != 3)
        return 2;
    DiscoveryResponder responder;
    responder.setReply(args.at(0), args.at(1), args.at(2));
    if (!responder.bind(QHostAddress::AnyIPv4, 8090)) {
        std::fprintf(stderr, "cannot bind port 8090\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Never outlives a test that forgot it.
    QTimer::singleShot(60000, qApp, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

int scan()
{
    DeviceFinder finder;
    QStringList targets;
    const QList<QHostAddress> addresses = finder.targets();
    for (const QHostAddress &a : addresses)
        targets.append(a.toString());
    std::printf("targets: %s\n", qPrintable(targets.join(',')));
    finder.run();
    std::printf("%s\n", finder.result().constData());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString mode = args.isEmpty() ? QString() : args.takeFirst();
    if (mode == QLatin1String("respond"))
        return respond(args);
    if (mode == QLatin1String("scan") && args.isEmpty())
        return scan();
    std::fprintf(stderr, "usage: discovery_helper respond SERIAL MAC IP | scan\n");
    return 2;
}
