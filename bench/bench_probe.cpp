// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one poll tick's address probe. Goals: the dial-up probe under 20 us;
// the LAN probe under 50 us, with no growth over 10,000 probes.
// The simulated line keeps its state in a temporary folder; nothing touches the
// user's own files.
#include "monitor/probe.h"
#include "platform/ras/nm/nmservice.h"
#include "platform/ras/ras.h"
#include "platform/ras/simline/simline.h"
#include "platform/sockets/interfaces.h"
#include "platform/sockets/posixsockets.h"
#include "support/simlinesupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

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
        const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("bench-probe"));
        if (!waitUntil([&] {
                return bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.NetworkManager")).value();
            }))
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

// LAN mode with the program's own sockets layer and interface source: the own
// name answered from getifaddrs and the kernel's route tables. Goal: under 50 us.
void BM_ProbeHostAddress_OwnNameFromInterfaces(benchmark::State &state)
{
    SystemInterfaces interfaces;
    PosixSockets s(interfaces);
    WSADATA data{};
    s.WSAStartup(0x0101, &data);
    if (ProbeHostAddress(s) == QStringLiteral("127.0.0.1")) {
        state.SkipWithError("no interface is up");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ProbeHostAddress(s));
    s.WSACleanup();
}
BENCHMARK(BM_ProbeHostAddress_OwnNameFromInterfaces);

// The interface source alone: getifaddrs and the three tables.
void BM_SystemInterfaces_Snapshot(benchmark::State &state)
{
    SystemInterfaces interfaces;
    for (auto _ : state)
        benchmark::DoNotOptimize(interfaces.snapshot());
}
BENCHMARK(BM_SystemInterfaces_Snapshot);

// Heap in use and resident size after 10,000 LAN probes, against a warm-up of
// 1,000. Goal: no growth.
void BM_ProbeHostAddress_TenThousand_Growth(benchmark::State &state)
{
    SystemInterfaces interfaces;
    PosixSockets s(interfaces);
    WSADATA data{};
    s.WSAStartup(0x0101, &data);
    const auto residentKiB = [] {
        QFile f(QStringLiteral("/proc/self/status"));
        if (!f.open(QIODevice::ReadOnly))
            return 0LL;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        return 0LL;
    };
    for (int i = 0; i < 1000; ++i)
        benchmark::DoNotOptimize(ProbeHostAddress(s));
    for (auto _ : state) {
        const long long rssBefore = residentKiB();
        const size_t heapBefore = mallinfo2().uordblks;
        for (int64_t i = 0; i < state.range(0); ++i)
            benchmark::DoNotOptimize(ProbeHostAddress(s));
        const size_t heapAfter = mallinfo2().uordblks;
        const long long rssAfter = residentKiB();
        state.counters["heap_growth_B"] = static_cast<double>(heapAfter) - static_cast<double>(heapBefore);
        state.counters["rss_growth_KiB"] = static_cast<double>(rssAfter - rssBefore);
    }
    s.WSACleanup();
}
BENCHMARK(BM_ProbeHostAddress_TenThousand_Growth)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
