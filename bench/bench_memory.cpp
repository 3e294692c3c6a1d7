// SPDX-License-Identifier: GPL-3.0-or-later
// Resident memory of the real program after start-up, beside a bare Qt tray
// program (bare_tray.cpp), both running side by side under their own Xvfb and
// trayer, each with a private profile. Goal: the program at 30 MiB or less.
//
// Needs Xvfb and trayer (scripts/install-deps.sh installs them); skipped
// without them.
#include "desktop.h"

#include "qtbenchmain.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ResidentMemoryAfterStartUp(benchmark::State &state)
{
    if (!bench::HaveTools({QStringLiteral("Xvfb"), QStringLiteral("trayer")})) {
        state.SkipWithError("Xvfb and trayer are needed");
        return;
    }
    bench::PrivateDesktop desktop;
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
BENCHMARK(BM_ResidentMemoryAfterStartUp)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

VANTREL_QT_BENCHMARK_MAIN()
