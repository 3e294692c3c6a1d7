// SPDX-License-Identifier: GPL-3.0-or-later
// The readers of files a user can edit, on oversized input built to hit their
// worst cases: each must grow linearly with its input (the reported complexity
// is O(N)), so no file within the size limits can stall the user interface.
#include "platform/ras/simline/linestate.h"
#include "platform/ras/simline/phonebook.h"
#include "platform/registry/hiveformat.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

// One key whose path has N parts ("a\\a\\a..."), as deep as it can be made.
void HiveDeepKey(benchmark::State &state)
{
    QByteArray text = "WINE REGISTRY Version 2\n[a";
    for (int64_t i = 1; i < state.range(0); ++i)
        text += "\\\\a";
    text += "]\n\"v\"=dword:00000001\n";
    for (auto _ : state) {
        hive::Data data;
        QString why;
        benchmark::DoNotOptimize(hive::parse(text, &data, &why));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(HiveDeepKey)->RangeMultiplier(4)->Range(1000, 16000)->Complexity(benchmark::oN);

// N entries, every name distinct.
void PhonebookManyEntries(benchmark::State &state)
{
    QByteArray text;
    for (int64_t i = 0; i < state.range(0); ++i)
        text += "[Entry " + QByteArray::number(i) + "]\nAnswer=busy\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(ParsePhonebook(text));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(PhonebookManyEntries)->RangeMultiplier(4)->Range(2500, 40000)->Complexity(benchmark::oN);

// N connection records, every handle distinct.
void LineStateManyRecords(benchmark::State &state)
{
    QByteArray text = "next 1\n";
    for (int64_t i = 1; i <= state.range(0); ++i)
        text += "line " + QByteArray::number(i) + " 0 E" + QByteArray::number(i) + " modem m 10.1.1.1\n";
    for (auto _ : state) {
        HRASCONN next = 0;
        benchmark::DoNotOptimize(LineState::parse(text, &next));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(LineStateManyRecords)->RangeMultiplier(4)->Range(2500, 40000)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
