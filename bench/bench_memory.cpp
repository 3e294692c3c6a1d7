// SPDX-License-Identifier: GPL-3.0-or-later
// Resident memory of the real program after start-up, beside a bare Qt tray
// program (bare_tray.cpp), both running side by side under their own Xvfb and
// trayer, each with a private profile, with and without a session bus. Goal:
// the program at 29.5 MiB or less with its bus service on.
//
// The same on Wayland, under weston's headless backend with a session bus and a
// StatusNotifierItem host (tests/e2e/sni.py). Goal: at most 1 MiB above the X11
// figure with the bus service, and no Mesa or LLVM library in the program's map
// (its windows draw into shared memory, not through EGL).
//
// With the public address lookup off and on (a STUN server of the tests'
// own on loopback, tests/e2e/stunfake.py). Goals: off, the same as before the
// lookup existed (within 0.1 MiB); on, at most 0.5 MiB more.
// VANTREL_BENCH_BINARY runs another build of the program instead (one made
// before a change, to compare).
//
// Needs Xvfb and trayer, or weston, dbus-daemon and python3 with python3-dbus
// and python3-gi (scripts/install-deps.sh installs them); skipped without them.
#include "desktop.h"

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

namespace {

QString programBinary()
{
    const QString other = qEnvironmentVariable("VANTREL_BENCH_BINARY");
    return other.isEmpty() ? QStringLiteral(VANTREL_BINARY) : other;
}

// Starts the program and the bare tray program side by side, waits out the
// splash and a few polls, and records both programs' resident memory.
void MeasureBesideBareTray(benchmark::State &state)
{
    double program = 0;
    double bare = 0;
    double anon = 0;
    for (auto _ : state) {
        bench::Started vantrel(programBinary());
        bench::Started yardstick(QStringLiteral(BARE_TRAY_BINARY));
        // The splash takes 3 s; then a few polls.
        QThread::msleep(10000);
        program = bench::ResidentMiB(vantrel.pid());
        anon = bench::ProcStatusKiB(vantrel.pid(), "RssAnon") / 1024.0;
        bare = bench::ResidentMiB(yardstick.pid());
    }
    state.counters["vantrel_MiB"] = program;
    // The program's own memory, without the mapped files (code, fonts) whose
    // resident pages vary with the page cache and the layout of the binary.
    state.counters["vantrel_anon_MiB"] = anon;
    state.counters["bare_tray_MiB"] = bare;
    state.counters["difference_MiB"] = program - bare;
}

// state.range(0): 1 with a session bus, so that the program offers its bus
// service (org.morvent.Vantrel) as it does in a desktop session; 0 without.
void BM_ResidentMemoryAfterStartUp(benchmark::State &state)
{
    if (!bench::HaveTools({QStringLiteral("Xvfb"), QStringLiteral("trayer"), QStringLiteral("dbus-daemon")})) {
        state.SkipWithError("Xvfb, trayer and dbus-daemon are needed");
        return;
    }
    bench::PrivateDesktop desktop;
    std::unique_ptr<bench::PrivateSessionBus> bus;
    if (state.range(0) != 0) {
        bus = std::make_unique<bench::PrivateSessionBus>();
        if (bus->address().isEmpty()) {
            state.SkipWithError("no session bus could be started");
            return;
        }
    }
    const auto trayer = bench::StartTrayer();

    MeasureBesideBareTray(state);
}
BENCHMARK(BM_ResidentMemoryAfterStartUp)->ArgName("bus")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// The system's Python, where python3-dbus and python3-gi are installed.
constexpr const char *kPython = "/usr/bin/python3";

// state.range(0): 1 with the public address lookup on, asking a STUN server
// on 127.0.0.1 (with the bus service on, as in a desktop session).
void BM_ResidentMemoryPublicLookup(benchmark::State &state)
{
    if (!bench::HaveTools({QStringLiteral("Xvfb"), QStringLiteral("trayer"), QStringLiteral("dbus-daemon")})) {
        state.SkipWithError("Xvfb, trayer and dbus-daemon are needed");
        return;
    }
    bench::PrivateDesktop desktop;
    const bench::PrivateSessionBus bus;
    const auto trayer = bench::StartTrayer();
    const QString dir = desktop.path();
    QFile mapped(dir + QStringLiteral("/mapped"));
    if (!mapped.open(QIODevice::WriteOnly) || mapped.write("203.0.113.7\n") < 0) {
        state.SkipWithError("cannot write the fake server's address");
        return;
    }
    mapped.close();
    const bench::Started server(QString::fromLatin1(kPython),
                                {QStringLiteral(VANTREL_SOURCE_DIR "/tests/e2e/stunfake.py"),
                                 dir + QStringLiteral("/mapped"), dir + QStringLiteral("/port"),
                                 dir + QStringLiteral("/count")});
    QThread::msleep(1000);
    QFile portFile(dir + QStringLiteral("/port"));
    if (!portFile.open(QIODevice::ReadOnly)) {
        state.SkipWithError("the fake STUN server did not start");
        return;
    }
    const QByteArray port = portFile.readAll().trimmed();
    QDir().mkpath(desktop.configDir());
    QFile hive(desktop.configDir() + QStringLiteral("/user.reg"));
    if (!hive.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the settings");
        return;
    }
    hive.write("WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\Vantrel]\n\"PublicLookup\"=dword:0000000"
               + QByteArray::number(state.range(0)) + "\n\"PublicServers\"=\"127.0.0.1:" + port + "\"\n");
    hive.close();

    MeasureBesideBareTray(state);
    QFile count(dir + QStringLiteral("/count"));
    state.counters["requests"] = count.open(QIODevice::ReadOnly) ? count.readAll().trimmed().toDouble() : 0;
}
BENCHMARK(BM_ResidentMemoryPublicLookup)->ArgName("lookup")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ResidentMemoryOnWayland(benchmark::State &state)
{
    if (!bench::HaveTools({QStringLiteral("weston"), QStringLiteral("dbus-daemon")})
        || !QFile::exists(QString::fromLatin1(kPython))) {
        state.SkipWithError("weston, dbus-daemon and /usr/bin/python3 are needed");
        return;
    }
    bench::PrivateDesktop desktop(bench::DisplayServer::Wayland);
    const bench::PrivateSessionBus bus;
    if (bus.address().isEmpty()) {
        state.SkipWithError("no session bus could be started");
        return;
    }
    const QString items = desktop.path() + QStringLiteral("/items");
    const bench::Started host(QString::fromLatin1(kPython),
                              {QStringLiteral(VANTREL_SOURCE_DIR "/tests/e2e/sni.py"), QStringLiteral("watcher"), items},
                              desktop.path() + QStringLiteral("/icon-reads"));
    QThread::msleep(1500);

    double program = 0;
    double bare = 0;
    QStringList graphics;
    for (auto _ : state) {
        bench::Started vantrel(programBinary());
        bench::Started yardstick(QStringLiteral(BARE_TRAY_BINARY));
        QThread::msleep(10000); // the splash, then a few polls
        program = bench::ResidentMiB(vantrel.pid());
        bare = bench::ResidentMiB(yardstick.pid());
        graphics = bench::MappedFiles(vantrel.pid(), {QStringLiteral("swrast"), QStringLiteral("_dri"),
                                                      QStringLiteral("libEGL_mesa"), QStringLiteral("libLLVM")});
    }
    // Both the program and the yardstick register an icon with the host.
    QFile registered(items);
    if (program < 0 || !registered.open(QIODevice::ReadOnly) || registered.readAll().count('\n') < 2) {
        state.SkipWithError("the program or the bare tray program did not start, or its icon did not register");
        return;
    }
    if (!graphics.isEmpty()) {
        const std::string text = QStringLiteral("%1 MiB, with Mesa or LLVM in the map: %2")
                                     .arg(program, 0, 'f', 2)
                                     .arg(graphics.join(QStringLiteral(", ")))
                                     .toStdString();
        state.SkipWithError(text.c_str());
        return;
    }
    state.counters["vantrel_MiB"] = program;
    state.counters["bare_tray_MiB"] = bare;
    state.counters["difference_MiB"] = program - bare;
}
BENCHMARK(BM_ResidentMemoryOnWayland)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
