// Full goods write and read of 2000 rows against a register that answers at
// once. The figure is requests per second of the whole job, from the
// controller's operation call to finished(); the reference is a plain blocking
// socket that sends the very same requests to the same simulator, in the same
// run, with the same processor placement.
//
// Placement: the simulator gets a processor of its own, as a register is a
// machine of its own, and the utility's threads share another. Left to the
// scheduler, the two ends sometimes share a processor and sometimes not, and
// the figures jump by a factor of five from run to run. A second line puts
// everything on one processor: there nothing overlaps, so it shows the
// processor time each request costs.

#include "benchsupport.h"

#include "link/frame.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QThread>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Rows = 2000;
const char *const Host = "127.0.0.2";

// Header record, 2000 rows, terminator: 1001 pages.
QByteArray goodsImage()
{
    QByteArray image(128, '\0');
    for (int row = 1; row <= Rows; ++row) {
        QByteArray record(128, char('a' + row % 26));
        record[0] = char(row & 0xFF);
        record[1] = char(row >> 8);
        image += record;
    }
    QByteArray terminator(128, '\0');
    terminator[0] = terminator[1] = char(0xFF);
    return image + terminator;
}

bool readAll(int fd, char *buffer, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::recv(fd, buffer, size, 0);
        if (n <= 0)
            return false;
        buffer += n;
        size -= size_t(n);
    }
    return true;
}

// Connects, sends each request and reads its whole reply, closes.
bool replay(quint16 port, const QList<QByteArray> &requests)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = inet_addr(Host);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    char buffer[4096];
    for (const QByteArray &request : requests) {
        if (!ok)
            break;
        ok = ::send(fd, request.constData(), size_t(request.size()), 0) == request.size()
            && readAll(fd, buffer, 10);
        const quint32 length = quint32(quint8(buffer[2])) | quint32(quint8(buffer[3])) << 8
            | quint32(quint8(buffer[4])) << 16 | quint32(quint8(buffer[5])) << 24;
        ok = ok && length <= sizeof buffer - 10 && readAll(fd, buffer + 10, length);
    }
    ::close(fd);
    return ok;
}

void pinTo(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

// The simulator runs on a thread of its own, as a register is a machine of its
// own: the controller's progress signals then cost the register nothing.
class SimThread
{
public:
    SimThread(const RegisterSimulator::Config &config, int cpu)
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
        call([&] {
            pinTo(cpu);
            m_sim = new RegisterSimulator(config);
            m_listening = m_sim->listen(QHostAddress(QString::fromLatin1(Host)));
        });
    }
    ~SimThread()
    {
        call([&] { delete m_sim; });
        m_thread.quit();
        m_thread.wait();
    }
    template<typename F> void call(F f)
    {
        QMetaObject::invokeMethod(&m_context, f, Qt::BlockingQueuedConnection);
    }
    RegisterSimulator *operator->() { return m_sim; }
    bool listening() const { return m_listening; }

private:
    QThread m_thread;
    QObject m_context;
    RegisterSimulator *m_sim = nullptr;
    bool m_listening = false;
};

double replayMs(quint16 port, const QList<QByteArray> &requests, bool *ok)
{
    QElapsedTimer clock;
    clock.start();
    *ok = replay(port, requests);
    return clock.nsecsElapsed() / 1e6;
}

struct Placement
{
    const char *name;
    int utilityCpu;
    int simulatorCpu;
};

void run(const char *name, bool write, int runs, const Placement &placement)
{
    // DeviceNet's worker threads inherit this thread's processor.
    pinTo(placement.utilityCpu);
    RegisterSimulator::Config config;
    config.goodsCapacity = Rows;
    config.discoveryPort = 0;
    SimThread sim(config, placement.simulatorCpu);
    if (!sim.listening()) {
        std::printf("%s: cannot listen\n", name);
        return;
    }
    const QByteArray image = goodsImage();
    sim.call([&] { sim->setGoodsArea(image); });
    const quint16 port = sim->serverPort();
    QString serial;
    sim.call([&] { serial = sim->serial(); });

    DeviceController controller;
    std::vector<double> jobRates, plainRates;
    int jobRequests = 0;
    for (int i = 0; i < runs; ++i) {
        sim.call([&] { sim->clearRequestLog(); });
        const JobTiming t = timeJob(controller, [&] {
            return write ? controller.writeGoods(QString::fromLatin1(Host), port, image, serial, 53)
                         : controller.readGoods(QString::fromLatin1(Host), port);
        });
        if (t.result != 0 || (!write && controller.data() != image.mid(128, 1001 * 256 - 128))) {
            std::printf("%s: job failed with %d\n", name, t.result);
            return;
        }
        QList<RegisterSimulator::Request> log;
        sim.call([&] { log = sim->requestLog(); });
        QList<QByteArray> requests;
        for (const RegisterSimulator::Request &r : log)
            requests << Frame::request(Frame::Command(r.command), r.args, r.data);
        bool ok = false;
        const double plainMs = replayMs(port, requests, &ok);
        if (!ok) {
            std::printf("%s: plain replay failed\n", name);
            return;
        }
        jobRequests = requests.size();
        jobRates.push_back(requests.size() / (t.totalMs / 1000));
        plainRates.push_back(requests.size() / (plainMs / 1000));
    }
    const double job = median(jobRates);
    const double plain = median(plainRates);
    std::printf("%-20s %-26s %3d requests: %7.0f req/s   reference (plain blocking socket, same requests) "
                "%7.0f req/s   ratio %.2f%s\n",
                name, placement.name, jobRequests, job, plain, job / plain,
                placement.utilityCpu != placement.simulatorCpu ? "   (goal >= 0.90)" : "");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    quietLink();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 21;

    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    sched_getaffinity(0, sizeof allowed, &allowed);
    std::vector<int> cpus;
    for (int c = 0; c < CPU_SETSIZE; ++c) {
        if (CPU_ISSET(c, &allowed))
            cpus.push_back(c);
    }
    std::vector<Placement> placements;
    if (cpus.size() >= 2)
        placements.push_back({ "(simulator on its own CPU)", cpus[0], cpus[1] });
    placements.push_back({ "(all on one CPU)", cpus[0], cpus[0] });
    for (const Placement &p : placements) {
        run("WriteGoods 2000 rows", true, runs, p);
        run("ReadGoods 2000 rows", false, runs, p);
    }
    return 0;
}
