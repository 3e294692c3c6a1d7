// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one poll tick of the main window in each mode, with fakes and with
// the real stand-ins; resident memory once the main window exists; and memory
// growth over 10,000 ticks. The user-interface thread's work for one answer of
// the public address lookup, with and without the Network addresses window.
//
// Goals: a dial-up tick under 50 us; under 40 MiB resident after start-up; no
// growth over 10,000 ticks; under 50 us per public address answer. Runs on the offscreen platform in a temporary
// profile: nothing touches the user's own files.
#include "monitor/appstate.h"
#include "monitor/notices.h"
#include "monitor/preferences.h"
#include "monitor/publicaddress.h"
#include "platform/clock.h"
#include "platform/ras/ras.h"
#include "platform/ras/simline/simline.h"
#include "platform/registry/fileregistry.h"
#include "platform/sockets/posixsockets.h"
#include "platform/vtimer.h"
#include "support/child.h"
#include "support/fakepublic.h"
#include "support/fakesockets.h"
#include "support/fixedclock.h"
#include "support/simlinesupport.h"
#include "ui/alarm/alarm.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/platform/desktop/notifyicon.h"
#include "ui/support/fakeplatform.h"
#include "ui/windows/fmaddresses.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

using namespace vantrel;

namespace {

double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

enum class Kind { Fake, Real };
enum class Mode { DialUpDown, DialUpUp, Lan };

// A main window on fakes or on the real stand-ins (the simulated line, the
// system's sockets and Qt's tray). The time is the real one in both.
struct Rig {
    QTemporaryDir dir;
    FileRegistry registry{dir.path() + QStringLiteral("/config/vantrel"), dir.path() + QStringLiteral("/autostart")};
    test::FakePlatform fake{&registry};
    std::unique_ptr<SimLine> line;
    std::unique_ptr<RasApi> lineApi;
    PosixSockets realSockets;
    std::unique_ptr<QtNotifyIcon> realTray;
    SystemClock clock;
    AppState state;
    Platform &platform = fake.platform();
    std::unique_ptr<TfmVantrel> fm;
    VTimer *poll = nullptr; // the main window's timers, found once
    VTimer *animation = nullptr;

    Rig(Kind kind, Mode mode, bool anim)
    {
        if (kind == Kind::Real) {
            SimLine::Options o;
            o.configDir = dir.path() + QStringLiteral("/config/vantrel");
            o.runtimeDir = dir.path() + QStringLiteral("/runtime");
            o.speed = 0;
            line = std::make_unique<SimLine>(o);
            lineApi = std::make_unique<RasApi>(*line);
            if (mode == Mode::DialUpUp) {
                test::BringLineUp(*line);
            }
            realTray = std::make_unique<QtNotifyIcon>([](QObject *context, TrayAnswer answer) {
                ProbeTrayHost(context, [answer](TrayHostAnswer found) { answer({found.present, TrayHost::XEmbed}); });
            });
            platform.ras = lineApi.get();
            platform.sockets = &realSockets;
            platform.tray = realTray.get();
        } else if (mode == Mode::DialUpUp) {
            fake.rasService().addConnection(QStringLiteral("Morvent Online"), QStringLiteral("10.64.3.17"));
        }
        platform.clock = &clock;
        RegKey key;
        registry.openKey(Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"), true, &key);
        registry.setValue(key, QStringLiteral("Conn"), RegValue::dword(mode == Mode::Lan ? 1 : 0));
        registry.setValue(key, QStringLiteral("Anim"), RegValue::dword(anim ? 1 : 0));
        registry.closeKey(&key);

        state.ProgramFolder = dir.path();
        fm = std::make_unique<TfmVantrel>(state, platform, MainWindowPlugins{.makeAlarm = MakeOnlineAlarm});
        poll = test::Child<VTimer>(*fm, "VantrelTimer");
        animation = test::Child<VTimer>(*fm, "VantrelAniTimer");
        poll->stop(); // ticks come from the benchmark only
    }

    // The fake tray keeps every command; a long run must not measure that list.
    void forgetCommands() { fake.tray().commands.clear(); }
};

void pollTick(benchmark::State &st, Kind kind, Mode mode)
{
    Rig rig(kind, mode, /*anim=*/false);
    rig.poll->fire();
    const bool up = rig.fm->addressText() != QStringLiteral("Network is down");
    if (up != (mode != Mode::DialUpDown)) {
        st.SkipWithError(qPrintable(QStringLiteral("unexpected state: ") + rig.fm->addressText()));
        return;
    }
    int n = 0;
    for (auto _ : st) {
        rig.poll->fire();
        if (++n == 4096) {
            n = 0;
            rig.forgetCommands();
        }
    }
    st.SetLabel(rig.fm->addressText().toStdString());
}

void BM_PollTick_DialUpDown_Fake(benchmark::State &st)
{
    pollTick(st, Kind::Fake, Mode::DialUpDown);
}
void BM_PollTick_DialUpUp_Fake(benchmark::State &st)
{
    pollTick(st, Kind::Fake, Mode::DialUpUp);
}
void BM_PollTick_Lan_Fake(benchmark::State &st)
{
    pollTick(st, Kind::Fake, Mode::Lan);
}
void BM_PollTick_DialUpDown_Real(benchmark::State &st)
{
    pollTick(st, Kind::Real, Mode::DialUpDown);
}
void BM_PollTick_DialUpUp_Real(benchmark::State &st)
{
    pollTick(st, Kind::Real, Mode::DialUpUp);
}
// Resolves the machine's own host name through the system's resolver.
void BM_PollTick_Lan_Real(benchmark::State &st)
{
    pollTick(st, Kind::Real, Mode::Lan);
}

void BM_AnimationFrame_Real(benchmark::State &st)
{
    Rig rig(Kind::Real, Mode::DialUpUp, /*anim=*/true);
    rig.poll->fire();
    for (auto _ : st)
        rig.animation->fire();
}

// Resident memory with the main window made on the real stand-ins: what the
// program holds once started (Qt, the artwork, the window, the tray icon).
void BM_ResidentAfterStartup(benchmark::State &st)
{
    std::unique_ptr<Rig> rig;
    for (auto _ : st)
        rig = std::make_unique<Rig>(Kind::Real, Mode::DialUpDown, true);
    st.counters["rss_MiB"] = residentMiB();
}

// 10,000 poll ticks, animated, on the real stand-ins, with the line going up
// and down every 100 ticks (each change opens or closes an online period).
void BM_TenThousandTicks_ResidentGrowth(benchmark::State &st)
{
    Rig rig(Kind::Real, Mode::DialUpUp, /*anim=*/true);
    const auto run = [&rig](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            if (i % 100 == 0) {
                const bool drop = (i / 100) % 2 == 0;
                if (drop) {
                    rig.line->state().update([](QList<LineRecord> &records, HRASCONN &) {
                        records.clear();
                        return true;
                    });
                } else {
                    test::BringLineUp(*rig.line);
                }
            }
            rig.poll->fire();
            rig.animation->fire();
            QCoreApplication::sendPostedEvents();
        }
    };
    run(1000); // warm-up: caches and pools settle
    const double before = residentMiB();
    for (auto _ : st)
        run(10000);
    st.counters["rss_growth_KiB"] = (residentMiB() - before) * 1024.0;
}

// One answer of the lookup as the user-interface thread takes it: the state,
// changed() and a notification of the change (the address alternates), with
// the Network addresses window (six interface addresses) open or not. The
// lookup itself runs on its own thread and is not part of this.
void BM_PublicAddressAnswer(benchmark::State &st)
{
    test::FakeLookup lookup;
    test::RecordingNotifier notifier;
    FixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
    Preferences preferences;
    preferences.NotifyPublic = true;
    EventNotices notices(notifier, preferences, clock);
    PublicAddress pa(lookup, clock, {});
    QObject::connect(&pa, &PublicAddress::addressChanged,
                     [&](AddressFamily f, const QString &a, const QString &b) { notices.publicAddressChanged(f, a, b); });
    test::FakeInterfaces interfaces;
    for (unsigned i = 0; i < 6; ++i) {
        InterfaceAddress a;
        a.interfaceName = QByteArray("eth") + QByteArray::number(i / 2);
        a.index = i / 2 + 2;
        a.up = true;
        a.ipv6 = i % 2;
        a.bytes = {BYTE(a.ipv6 ? 0x20 : 10), BYTE(a.ipv6 ? 0x01 : 0), 0, BYTE(i), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        interfaces.current.addresses.append(a);
    }
    interfaces.current.defaultRoute4 = "eth0";
    std::unique_ptr<TfmAddresses> window;
    if (st.range(0) != 0) {
        window = std::make_unique<TfmAddresses>(interfaces, pa, nullptr, nullptr);
        window->show();
    }
    pa.setServers({{QStringLiteral("192.0.2.1"), 3478}});
    pa.setEnabled(true);
    lookup.answer(AddressFamily::V6, QString());
    const QString addresses[] = {QStringLiteral("203.0.113.7"), QStringLiteral("198.51.100.9")};
    int n = 0;
    for (auto _ : st) {
        lookup.answer(AddressFamily::V4, addresses[n++ % 2]);
        st.PauseTiming();
        notifier.shown.clear();
        clock.set(clock.now().addSecs(60));
        pa.fireTimer(AddressFamily::V4);
        st.ResumeTiming();
    }
    st.counters["notices"] = n - 1;
}

} // namespace

BENCHMARK(BM_PublicAddressAnswer)->ArgName("window")->Arg(0)->Arg(1);
BENCHMARK(BM_ResidentAfterStartup)->Iterations(1);
BENCHMARK(BM_PollTick_DialUpDown_Fake);
BENCHMARK(BM_PollTick_DialUpUp_Fake);
BENCHMARK(BM_PollTick_Lan_Fake);
BENCHMARK(BM_PollTick_DialUpDown_Real);
BENCHMARK(BM_PollTick_DialUpUp_Real);
BENCHMARK(BM_PollTick_Lan_Real);
BENCHMARK(BM_AnimationFrame_Real);
BENCHMARK(BM_TenThousandTicks_ResidentGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private profile: the real stand-ins write nothing of the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
    // QSystemTrayIcon on the offscreen platform warns about a tray signal that
    // only the X11 platform has; it says nothing about what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
