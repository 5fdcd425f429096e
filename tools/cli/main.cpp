#include "cli.h"

#include "app/appsettings.h"
#include "app/version.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same identity as the GUI program, so both share one settings store.
    AppSettings::applyIdentity();

    // The link's debug trace ("connected", socket errors) would mix with the
    // tool's own messages; results and failures are reported in full anyway.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    QTextStream out(stdout);
    QTextStream err(stderr);
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
