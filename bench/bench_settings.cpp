// SPDX-License-Identifier: GPL-3.0-or-later
// Settings on a well-filled user hive: loading at start-up and storing the alarm
// group. Goals: a load under 20 ms, one store under 20 ms.
#include "monitor/settings.h"
#include "platform/registry/fileregistry.h"
#include "platform/registry/hiveformat.h"
#include "support/recordingmessageboxes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

constexpr int kValues = 10000;

// Vantrel's own keys plus keys of other programs, 10,000 values in all, of the
// mixed types and lengths a real user hive holds.
void writeUserHive(const QString &dir)
{
    hive::Data data;
    int count = 0;
    auto put = [&](hive::Key &k, const QString &name, const RegValue &v) {
        k.values[hive::fold(name)] = hive::Value{name, v};
        ++count;
    };
    hive::Key &main = data.ensureKey(QStringLiteral("Software\\Morvent\\Vantrel"));
    for (const char *name : {"Conn", "Anim", "Def", "Log", "Alarm", "Set", "Interval", "Sound", "Box", "Ask", "Redial",
                             "Wait", "RunAtStartup"})
        put(main, QString::fromLatin1(name), RegValue::dword(1));
    put(main, QStringLiteral("Wave"), RegValue::string(QStringLiteral("/home/ann/sounds/ding.wav")));
    put(main, QStringLiteral("Message"), RegValue::string(QStringLiteral("Elapsed Time: $m minutes.$n$t warning(s)")));
    put(main, QStringLiteral("RASCnx"), RegValue::string(QStringLiteral("Multiple selections")));
    put(main, QStringLiteral("Cycled"), RegValue::string(QStringLiteral("3")));
    hive::Key &cycle = data.ensureKey(QStringLiteral("Software\\Morvent\\Vantrel\\Cycle"));
    for (int i = 1; i <= 8; ++i)
        put(cycle, QString::number(i), RegValue::string(i <= 3 ? QStringLiteral("Entry %1").arg(i) : QString()));
    for (int k = 0; count < kValues; ++k) {
        hive::Key &key = data.ensureKey(QStringLiteral("Software\\Vendor %1\\Product\\Settings %2").arg(k / 10).arg(k));
        for (int v = 0; v < 20 && count < kValues; ++v) {
            const QString name = QStringLiteral("Value %1").arg(v);
            if (v % 4 == 0)
                put(key, name, RegValue::dword(DWORD(k * v)));
            else if (v % 4 == 1)
                put(key, name, RegValue{RegType::Binary, {}, 0, QByteArray(16, char(v))});
            else
                put(key, name,
                    RegValue::string(QStringLiteral("C:\\Program Files\\Vendor %1\\caf\u00e9 %2").arg(k).arg(v)));
        }
    }
    QDir().mkpath(dir);
    QFile f(dir + QStringLiteral("/user.reg"));
    if (!f.open(QIODevice::WriteOnly) || f.write(hive::serialise(data)) < 0)
        qFatal("cannot write the hive");
}

void BM_LoadSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    writeUserHive(dir.path() + QStringLiteral("/vantrel"));
    RecordingMessageBoxes boxes;
    for (auto _ : state) {
        // A new registry each time: as at a program start, nothing is cached.
        FileRegistry registry(dir.path() + QStringLiteral("/vantrel"), dir.path() + QStringLiteral("/autostart"));
        AppSettings s;
        LoadSettings(registry, boxes, s);
        benchmark::DoNotOptimize(s);
    }
    if (!boxes.shown.isEmpty())
        state.SkipWithError("unexpected message box");
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

void BM_StoreAlarmSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    writeUserHive(dir.path() + QStringLiteral("/vantrel"));
    RecordingMessageBoxes boxes;
    FileRegistry registry(dir.path() + QStringLiteral("/vantrel"), dir.path() + QStringLiteral("/autostart"));
    AppSettings s;
    LoadSettings(registry, boxes, s);
    int i = 0;
    for (auto _ : state) {
        // Every one of the seven values differs from the stored one, so each
        // write really goes to disk.
        s.Alarm = i % 2 == 0;
        s.Sound = std::uint8_t(i % 3);
        s.Interval = i;
        s.Set = std::uint8_t(i % 2);
        s.Wave = QStringLiteral("/home/ann/sounds/ding %1.wav").arg(i);
        s.Message = QStringLiteral("Elapsed Time: $m minutes.$n$t warning(s) %1").arg(i);
        s.Box = i % 2 != 0;
        StoreAlarmSettings(registry, s);
        ++i;
    }
    FileRegistry check(dir.path() + QStringLiteral("/vantrel"), dir.path() + QStringLiteral("/autostart"));
    AppSettings back;
    LoadSettings(check, boxes, back);
    if (back.Interval != i - 1 || back.Message != s.Message)
        state.SkipWithError("the last store did not reach the file");
}
BENCHMARK(BM_StoreAlarmSettings)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
