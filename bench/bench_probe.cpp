// Cost of one poll tick's address probe. Goal for the dial-up probe: under 20 us.
// The simulated line keeps its state in a temporary folder; nothing touches the
// user's own files.
#include "monitor/probe.h"
#include "platform/ras/ras.h"
#include "platform/ras/simline.h"
#include "support/simlinesupport.h"
#include "platform/sockets/posixsockets.h"

#include <QCoreApplication>
#include <QTemporaryDir>

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

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
