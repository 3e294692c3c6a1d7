// SPDX-License-Identifier: GPL-3.0-or-later
// Resident memory of the real program after start-up, beside a bare Qt tray
// program (bare_tray.cpp), both running side by side under their own Xvfb and
// trayer, each with a private profile, with and without a session bus. Goal:
// the program at 29.5 MiB or less with its bus service on.
//
// Needs Xvfb and trayer (scripts/install-deps.sh installs them); skipped
// without them.
#include "desktop.h"

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

namespace {

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

    double program = 0;
    double bare = 0;
    for (auto _ : state) {
        bench::Started vantrel(QStringLiteral(VANTREL_BINARY));
        bench::Started yardstick(QStringLiteral(BARE_TRAY_BINARY));
        // The splash takes 3 s; then a few polls.
        QThread::msleep(10000);
        program = bench::ResidentMiB(vantrel.pid());
        bare = bench::ResidentMiB(yardstick.pid());
    }
    state.counters["vantrel_MiB"] = program;
    state.counters["bare_tray_MiB"] = bare;
    state.counters["difference_MiB"] = program - bare;
}
BENCHMARK(BM_ResidentMemoryAfterStartUp)->ArgName("bus")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
