// SPDX-License-Identifier: GPL-3.0-or-later
// CPU the program uses while connected with the globe turning, on each tray
// path: an XEmbed tray (trayer), and a StatusNotifierItem host that reads the
// icon again on every NewIcon, as panels do (tests/e2e/sni.py as watcher and
// host on a private session bus). Each runs the real program on the simulated
// line under an Xvfb of its own and reports the process's CPU time over 30 s;
// and the idle program with its bus service, over 60 s.
//
// Needs Xvfb, trayer, dbus-daemon and python3 with python3-dbus and
// python3-gi (scripts/install-deps.sh installs them); skipped without them.
#include "desktop.h"

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kSeconds = 30;
// The system's Python, where python3-dbus and python3-gi are installed.
constexpr const char *kPython = "/usr/bin/python3";

void WriteSettings(const bench::PrivateDesktop &desktop)
{
    QFile hive(desktop.configDir() + QStringLiteral("/user.reg"));
    hive.open(QIODevice::WriteOnly);
    // Dial-up mode, animation on, log off.
    hive.write("WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n"
               "\"Conn\"=dword:00000000\n\"Log\"=dword:00000000\n\"Anim\"=dword:00000001\n");
}

void AnimatedTrayCpu(benchmark::State &state, bool statusNotifier)
{
    if (!bench::HaveTools({QStringLiteral("Xvfb"), QStringLiteral("trayer"), QStringLiteral("dbus-daemon")})
        || !QFile::exists(QString::fromLatin1(kPython))) {
        state.SkipWithError("Xvfb, trayer, dbus-daemon and /usr/bin/python3 are needed");
        return;
    }
    bench::PrivateDesktop desktop;
    WriteSettings(desktop);
    qputenv("VANTREL_RAS_BACKEND", "simline");
    qputenv("VANTREL_SIMLINE_SPEED", "0");

    // The host prints a line each time it reads the icon.
    const QString iconReads = desktop.path() + QStringLiteral("/icon-reads");
    const auto linesRead = [&] {
        QFile file(iconReads);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : qsizetype(0);
    };
    std::unique_ptr<bench::Started> tray;
    std::unique_ptr<bench::Started> bus;
    if (statusNotifier) {
        bus = std::make_unique<bench::Started>(
            QStringLiteral("dbus-daemon"),
            QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        bus->process.waitForReadyRead(10000);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->process.readLine().trimmed());
        tray = std::make_unique<bench::Started>(QString::fromLatin1(kPython),
                                                QStringList{QStringLiteral(VANTREL_SOURCE_DIR "/tests/e2e/sni.py"),
                                                            QStringLiteral("watcher"),
                                                            desktop.path() + QStringLiteral("/items")},
                                                iconReads);
        QThread::msleep(1500);
    } else {
        tray = bench::StartTrayer();
    }

    bench::Started vantrel(QStringLiteral(VANTREL_BINARY));
    QThread::msleep(4000); // the splash
    QProcess::execute(QStringLiteral(VANTREL_LINE_BINARY),
                      {QStringLiteral("up"), QStringLiteral("Morvent Online"), QStringLiteral("10.64.3.17")});
    QThread::msleep(3000); // the next poll sees the line and starts the globe

    double used = 0;
    qsizetype fetches = 0;
    for (auto _ : state) {
        const qsizetype readsBefore = linesRead();
        const double before = bench::CpuMilliseconds(vantrel.pid());
        QThread::sleep(kSeconds);
        used = bench::CpuMilliseconds(vantrel.pid()) - before;
        fetches = linesRead() - readsBefore;
    }
    if (statusNotifier && fetches == 0) {
        state.SkipWithError("the host never read the icon: is the StatusNotifierItem path working?");
        return;
    }
    state.counters["cpu_ms_per_30s"] = used;
    if (statusNotifier)
        state.counters["icon_reads_per_30s"] = double(fetches);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}
// The idle program (not connected, the poll every 2 s) with its bus service on
// a session bus of its own, over 60 s: it should use next to no CPU (the
// thirty polls of the minute, a few milliseconds in all).
void IdleCpuWithBusService(benchmark::State &state)
{
    if (!bench::HaveTools({QStringLiteral("Xvfb"), QStringLiteral("trayer"), QStringLiteral("dbus-daemon")})) {
        state.SkipWithError("Xvfb, trayer and dbus-daemon are needed");
        return;
    }
    bench::PrivateDesktop desktop;
    WriteSettings(desktop);
    qputenv("VANTREL_RAS_BACKEND", "simline");
    const bench::PrivateSessionBus bus;
    const auto tray = bench::StartTrayer();
    bench::Started vantrel(QStringLiteral(VANTREL_BINARY));
    QThread::msleep(8000); // the splash and the first polls
    double used = 0;
    for (auto _ : state) {
        const double before = bench::CpuMilliseconds(vantrel.pid());
        QThread::sleep(60);
        used = bench::CpuMilliseconds(vantrel.pid()) - before;
    }
    state.counters["cpu_ms_per_60s"] = used;
}

BENCHMARK(IdleCpuWithBusService)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(AnimatedTrayCpu, XEmbed, false)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(AnimatedTrayCpu, StatusNotifierItem, true)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
