#pragma once

#include "cli.h"

#include "sim/registersimulator.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>

// One korvant-cli run in this process, with what it printed.
struct Run
{
    int code = -1;
    QString out;
    QString err;
};

inline Run cli(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Cli c(out, err);
    r.code = c.run(QStringList { QStringLiteral("korvant-cli") } + args);
    out.flush();
    err.flush();
    return r;
}

// A register on its own loopback address and an ephemeral port.
inline std::unique_ptr<RegisterSimulator> startRegister(const QString &address,
                                                        RegisterSimulator::Family family,
                                                        const QString &serial, quint32 versionWord = 0)
{
    RegisterSimulator::Config config;
    config.family = family;
    config.serial = serial;
    config.versionWord = versionWord;
    config.discoveryPort = 0;
    auto sim = std::make_unique<RegisterSimulator>(config);
    if (!sim->listen(QHostAddress(address)))
        return nullptr;
    return sim;
}

inline QString portOf(const RegisterSimulator &sim)
{
    return QString::number(sim.serverPort());
}
