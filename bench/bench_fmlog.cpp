// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the log viewer on a log of 1,000,000 lines: reading and decoding the
// file, the text set into the viewer, the window shown and painted once (it can
// take input from then on). Goal: under 1 s. Runs on the offscreen platform.
#include "monitor/appstate.h"
#include "support/recordingmessageboxes.h"
#include "windows/fmlog.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 1000000;

QString makeLog(const QTemporaryDir &dir)
{
    const QString path = dir.path() + QStringLiteral("/Vantrel.log");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("@(#)>> Vantrel Log File created at: 06-19-2024 22h 05m 09s\r\n@(#)>> Please, do not edit.\r\n");
    QByteArray chunk;
    for (int i = 0; i < kLines - 2; ++i) {
        chunk += (i % 2 == 0) ? "[06-19-2024 22h 05m 09s](Morvent Online): Connected.\r\n"
                              : "[06-19-2024 23h 41m 52s](Morvent Online): Disconnected.\r\n";
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return path;
}

void BM_OpenLogViewer(benchmark::State &bench)
{
    QTemporaryDir dir;
    makeLog(dir);
    vantrel::AppState state;
    state.ProgramFolder = dir.path();
    vantrel::RecordingMessageBoxes boxes;
    for (auto _ : bench) {
        auto *window = new vantrel::TfmLog(state, boxes);
        window->show();
        QCoreApplication::processEvents(); // the first paint
        bench.PauseTiming();
        delete window;
        bench.ResumeTiming();
    }
    bench.counters["lines"] = kLines;
}
BENCHMARK(BM_OpenLogViewer)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadLogView(benchmark::State &bench)
{
    QTemporaryDir dir;
    QFile f(makeLog(dir));
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for (auto _ : bench)
        benchmark::DoNotOptimize(vantrel::ReadLogView(bytes));
}
BENCHMARK(BM_ReadLogView)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
