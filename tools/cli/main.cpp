#include "cli.h"

#include "app/appsettings.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same identity as the GUI program, so both share one settings store.
    AppSettings::applyIdentity();

    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
    Cli cli(out, err);
    return cli.run(QCoreApplication::arguments());
}
