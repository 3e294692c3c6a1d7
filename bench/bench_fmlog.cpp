// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the log viewer: reading the file, the lines set into the viewer, the
// window shown and painted once (it can take input from then on), on four
// logs: a million short lines, one line as long as the viewer's size limit
// allows, 100 lines of 100,000 characters, and the size limit of empty lines
// (cut by the line limit). Goal for each: at most 1 s of CPU and at most 64 MiB
// above the resident memory before opening (the peak, counter peak_MiB). Runs
// on the offscreen platform.
#include "monitor/appstate.h"
#include "support/recordingmessageboxes.h"
#include "ui/windows/fmlog.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kShortLines = 1000000;
const QByteArray kHeader = "@(#)>> Vantrel Log File created at: 06-19-2024 22h 05m 09s\r\n@(#)>> Please, do not edit.\r\n";

enum LogShape { ShortLines, OneLineAtTheCap, HundredLongLines, EmptyLines };

// Writes the log in pieces of 1 MiB; returns the number of lines.
int makeLog(const QString &path, LogShape shape)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return 0;
    f.write(kHeader);
    QByteArray chunk;
    const auto put = [&](const QByteArray &bytes) {
        chunk += bytes;
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    };
    int lines = 2;
    switch (shape) {
    case ShortLines:
        for (; lines < kShortLines; ++lines)
            put(lines % 2 == 0 ? "[06-19-2024 22h 05m 09s](Morvent Online): Connected.\r\n"
                               : "[06-19-2024 23h 41m 52s](Morvent Online): Disconnected.\r\n");
        break;
    case OneLineAtTheCap: {
        // The whole file one byte under the limit: it is read whole.
        const qint64 room = qint64(vantrel::kLogViewerLimitMiB) * 1024 * 1024 - 1 - kHeader.size();
        const QByteArray start = "[06-19-2024 22h 05m 09s](";
        const QByteArray end = "): Connected.\r\n";
        put(start);
        for (qint64 left = room - start.size() - end.size(); left > 0; left -= 1 << 20)
            put(QByteArray(int(std::min<qint64>(left, 1 << 20)), 'x'));
        put(end);
        ++lines;
        break;
    }
    case EmptyLines:
        // Up to the limit, which the line limit then cuts short.
        for (int i = 0; i < vantrel::kLogViewerLimitMiB; ++i)
            put(QByteArray((1 << 20) - (i == 0 ? kHeader.size() : 0), '\n'));
        lines += (vantrel::kLogViewerLimitMiB << 20) - int(kHeader.size());
        break;
    case HundredLongLines:
        for (int i = 0; i < 100; ++i, ++lines)
            put("[06-19-2024 22h 05m 09s](" + QByteArray(100000 - 40, 'a' + char(i % 26)) + "): Connected.\r\n");
        break;
    }
    f.write(chunk);
    return lines;
}

qint64 statusKiB(const QByteArray &field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Sets the peak resident size (VmHWM) back to the present one.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

void BM_OpenLogViewer(benchmark::State &bench)
{
    const auto shape = static_cast<LogShape>(bench.range(0));
    QTemporaryDir dir;
    const int lines = makeLog(dir.path() + QStringLiteral("/Vantrel.log"), shape);
    vantrel::AppState state;
    state.ProgramFolder = dir.path();
    vantrel::RecordingMessageBoxes boxes;
    double peakMiB = 0;
    for (auto _ : bench) {
        bench.PauseTiming();
        const qint64 before = statusKiB("VmRSS");
        resetPeak();
        bench.ResumeTiming();
        auto *window = new vantrel::TfmLog(state, boxes);
        window->show();
        QCoreApplication::processEvents(); // the first paint
        bench.PauseTiming();
        peakMiB = std::max(peakMiB, double(statusKiB("VmHWM") - before) / 1024.0);
        delete window;
        bench.ResumeTiming();
    }
    bench.counters["lines"] = lines;
    bench.counters["peak_MiB"] = peakMiB;
}
BENCHMARK(BM_OpenLogViewer)
    ->ArgName("shape")
    ->Arg(ShortLines)
    ->Arg(OneLineAtTheCap)
    ->Arg(HundredLongLines)
    ->Arg(EmptyLines)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->MeasureProcessCPUTime();

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
