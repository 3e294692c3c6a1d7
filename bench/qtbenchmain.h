// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// main() for a benchmark program that needs a Qt core application (event
// dispatch, QProcess, QTimer): expands to the whole function.
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#define VANTREL_QT_BENCHMARK_MAIN()                                                                                        \
    int main(int argc, char **argv)                                                                                        \
    {                                                                                                                      \
        QCoreApplication app(argc, argv);                                                                                  \
        benchmark::Initialize(&argc, argv);                                                                                \
        benchmark::RunSpecifiedBenchmarks();                                                                               \
        benchmark::Shutdown();                                                                                             \
        return 0;                                                                                                          \
    }
