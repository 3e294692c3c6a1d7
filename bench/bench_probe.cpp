// Cost of one poll tick's address probe. Goal for the dial-up probe: under 20 us.
// The simulated line keeps its state in a temporary folder; nothing touches the
// user's own files.
#include "monitor/probe.h"
#include "platform/ras/nm/nmservice.h"
#include "platform/ras/ras.h"
#include "platform/ras/simline/simline.h"
#include "support/simlinesupport.h"
#include "platform/sockets/posixsockets.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

using namespace vantrel;

namespace {

struct Line {
    QTemporaryDir dir;
    std::unique_ptr<SimLine> line;
    std::unique_ptr<RasApi> api;

    explicit Line(bool connected)
    {
        SimLine::Options o;
        o.configDir = dir.path() + QStringLiteral("/config");
        o.runtimeDir = dir.path() + QStringLiteral("/runtime");
        o.speed = 0;
        line = std::make_unique<SimLine>(o);
        api = std::make_unique<RasApi>(*line);
        if (connected) {
            test::BringLineUp(*line);
        }
    }
};

void BM_ProbeRasAddress_Connected(benchmark::State &state)
{
    Line l(true);
    if (ProbeRasAddress(*l.api) != QStringLiteral("10.64.3.17")) {
        state.SkipWithError("the connection is not seen");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ProbeRasAddress(*l.api));
}
BENCHMARK(BM_ProbeRasAddress_Connected);

void BM_ProbeRasAddress_NoConnection(benchmark::State &state)
{
    Line l(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(ProbeRasAddress(*l.api));
}
BENCHMARK(BM_ProbeRasAddress_NoConnection);

// NetworkManager played by python-dbusmock on a private bus, with one PPPoE
// connection up: the probe reads the backend's cache, never the bus.
struct NmMock {
    QTemporaryDir dir;
    QString address;
    QProcess daemon;
    QProcess mock;

    QString start()
    {
        address = QStringLiteral("unix:path=") + dir.path() + QStringLiteral("/bus");
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=") + address});
        if (!daemon.waitForStarted())
            return QStringLiteral("dbus-daemon cannot be started");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
        if (!waitUntil([&] { return QFileInfo::exists(dir.path() + QStringLiteral("/bus")); }))
            return QStringLiteral("the private bus did not start");
        mock.setProcessEnvironment(env);
        mock.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                                        QStringLiteral("--template"), QStringLiteral("networkmanager")});
        if (!waitUntil([&] { return NmService::Answers(address, 500); }))
            return QStringLiteral("python3-dbusmock did not come up");
        QProcess control;
        control.setProcessEnvironment(env);
        control.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(VANTREL_SOURCE_DIR "/tests/e2e/nm_control.py"), QStringLiteral("up"),
                       QStringLiteral("DSL Home"), QStringLiteral("10.99.0.7")});
        if (!control.waitForFinished() || control.exitCode() != 0)
            return QStringLiteral("the connection could not be brought up");
        return {};
    }
    ~NmMock()
    {
        for (QProcess *p : {&mock, &daemon}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
    }
    template <typename F>
    static bool waitUntil(F done)
    {
        QDeadlineTimer deadline(15000);
        while (!done() && !deadline.hasExpired())
            QThread::msleep(20);
        return done();
    }
};

void BM_ProbeRasAddress_NetworkManager(benchmark::State &state)
{
    NmMock nm;
    if (const QString why = nm.start(); !why.isEmpty()) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    NmService::Options o;
    o.busAddress = nm.address;
    NmService service(o);
    RasApi api(service);
    if (!NmMock::waitUntil([&] { return ProbeRasAddress(api) == QStringLiteral("10.99.0.7"); })) {
        state.SkipWithError("the connection is not seen");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ProbeRasAddress(api));
}
BENCHMARK(BM_ProbeRasAddress_NetworkManager);

// The real sockets layer, the host name pinned to one the hosts file answers.
class LocalhostSockets final : public PosixSockets {
public:
    int gethostname(char *name, int length) override
    {
        if (PosixSockets::gethostname(name, length) != 0)
            return SOCKET_ERROR;
        std::strncpy(name, "localhost", static_cast<size_t>(length));
        return 0;
    }
};

void BM_ProbeHostAddress_Localhost(benchmark::State &state)
{
    LocalhostSockets s;
    WSADATA data{};
    s.WSAStartup(0x0101, &data);
    if (ProbeHostAddress(s) != QStringLiteral("127.0.0.1 (localhost)")) {
        state.SkipWithError("localhost does not resolve to 127.0.0.1");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ProbeHostAddress(s));
    s.WSACleanup();
}
BENCHMARK(BM_ProbeHostAddress_Localhost);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
