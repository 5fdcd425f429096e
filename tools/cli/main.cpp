#include "cli.h"

#include "app/appsettings.h"
#include "app/version.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>
#ifdef Q_OS_WIN
#include "wideconsole.h"

#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same identity as the GUI program, so both share one settings store.
    AppSettings::applyIdentity();

    // The link's debug trace ("connected", socket errors) would mix with the
    // tool's own messages; results and failures are reported in full anyway.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

#ifdef Q_OS_WIN
    // Pipes and files get the bytes they get on Linux: UTF-8 with "\n" line
    // ends. A console gets wide text (declared before the streams, which
    // flush into it when they go).
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    WideConsole outConsole(stdout);
    WideConsole errConsole(stderr);
#endif
    QTextStream out(stdout);
    QTextStream err(stderr);
#ifdef Q_OS_WIN
    if (outConsole.isConsole())
        out.setDevice(&outConsole);
    if (errConsole.isConsole())
        err.setDevice(&errConsole);
#endif
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 2 && args.at(1) == QLatin1String("--version")) {
        out << "korvant-cli " << KorvantVersion << '\n';
        return 0;
    }
    Cli cli(out, err);
    return cli.run(args);
}
