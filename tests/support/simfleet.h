#pragma once

#include "link/frame.h"
#include "params/deviceparams.h"
#include "sim/registersimulator.h"

#include <QHostAddress>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

// Simulated registers of one shop: each on its own loopback address, all on
// one TCP port (as real registers all listen on 8080), with the demo
// parameter set of their family.
class SimFleet
{
public:
    struct Member
    {
        QString address;
        int family = 53;
        QString serial;
        int goodsCapacity = 2000;
    };

    // False when no common free port was found.
    bool start(const QVector<Member> &members)
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_sims.clear();
            quint16 port = 0;
            bool all = true;
            for (const Member &s : members) {
                RegisterSimulator::Config config;
                config.family = s.family == 52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
                config.serial = s.serial;
                config.goodsCapacity = s.goodsCapacity;
                config.discoveryPort = 0;
                auto sim = std::make_unique<RegisterSimulator>(config);
                sim->fillDemoParameters();
                if (!sim->listen(QHostAddress(s.address), port)) {
                    all = false;
                    break;
                }
                port = sim->serverPort();
                m_sims.push_back(std::move(sim));
            }
            if (all) {
                m_port = port;
                return true;
            }
        }
        return false;
    }

    quint16 port() const { return m_port; }
    RegisterSimulator &operator[](int i) { return *m_sims.at(i); }

    // Whether any page write reached the register.
    static bool wrote(const RegisterSimulator &sim)
    {
        for (const RegisterSimulator::Request &r : sim.requestLog()) {
            if (r.command == Frame::CmdWritePages || r.command == Frame::CmdWriteSystemPages)
                return true;
        }
        return false;
    }

    // The register's parameter set, decoded.
    static std::unique_ptr<DeviceParams> params(const RegisterSimulator &sim, int family)
    {
        std::unique_ptr<DeviceParams> p(DeviceParams::create(QStringLiteral("2.%1.*").arg(family)));
        p->fromImage(sim.parameterImage(), sim.systemImage());
        return p;
    }

    // Sets fields of the register's parameter set by name.
    static bool edit(RegisterSimulator &sim, int family, const QVector<QPair<QString, QString>> &values)
    {
        const std::unique_ptr<DeviceParams> p = params(sim, family);
        for (const auto &v : values) {
            if (!p->setValue(v.first, v.second))
                return false;
        }
        QByteArray image = sim.parameterImage();
        QByteArray system = sim.systemImage();
        p->toImage(image, system);
        sim.setParameterImage(image);
        sim.setSystemImage(system);
        return true;
    }

private:
    std::vector<std::unique_ptr<RegisterSimulator>> m_sims;
    quint16 m_port = 0;
};
