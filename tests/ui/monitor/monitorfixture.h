// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main-window tests share: a fresh profile per test, the real registry
// on it, the fake platform (remote access, sockets, tray, sound, boxes, a fixed
// clock), a temporary program folder for the log, and the main window made on
// demand.
#include "monitor/appstate.h"
#include "platform/ras/ras.h"
#include "platform/registry/fileregistry.h"
#include "platform/vtimer.h"
#include "support/child.h"
#include "support/testenv.h"
#include "ui/alarm/alarm.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/support/fakeplatform.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vantrel::test {

class MonitorFixture : public ::testing::Test {
protected:
    MonitorFixture()
        : registry(home.configDir() + QStringLiteral("/vantrel"), home.configDir() + QStringLiteral("/autostart")),
          fake(&registry, QDateTime(QDate(2024, 6, 19), QTime(22, 5, 9)))
    {
        state.ProgramFolder = programDir.path();
    }

    void TearDown() override
    {
        fm.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A value of the per-user key, as the settings windows store them.
    void setUser(const QString &name, const RegValue &value)
    {
        RegKey key;
        ASSERT_EQ(registry.openKey(Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"), true, &key),
                  RegStatus::Success);
        ASSERT_EQ(registry.setValue(key, name, value), RegStatus::Success);
        registry.closeKey(&key);
    }
    void setUser(const QString &name, DWORD number) { setUser(name, RegValue::dword(number)); }
    void setUser(const QString &name, const char *text) { setUser(name, RegValue::string(QString::fromUtf8(text))); }

    // The main window with `plugins`, and the real alarm unless they bring one.
    TfmVantrel &create(MainWindowPlugins plugins = {})
    {
        if (!plugins.makeAlarm)
            plugins.makeAlarm = MakeOnlineAlarm;
        fm = std::make_unique<TfmVantrel>(state, platform, std::move(plugins));
        return *fm;
    }

    // The main window's menu, its items and its timers, by their object names.
    QMenu *popupMenu() const { return Child<QMenu>(*fm, "PopupMenu"); }
    QAction *item(const char *name) const { return Child<QAction>(*fm, name); }
    VTimer *timer(const char *name) const { return Child<VTimer>(*fm, name); }

    void tick() { timer("VantrelTimer")->fire(); }
    void frame() { timer("VantrelAniTimer")->fire(); }

    // The tray icon as the last command left it.
    NOTIFYICONDATAA icon() const
    {
        const auto shown = tray.shown(fm->windowHandle32(), kTrayIconId);
        EXPECT_TRUE(shown.has_value());
        return shown.value_or(NOTIFYICONDATAA{});
    }
    QString tip() const { return NotifyTip(icon()); }

    QString logPath() const { return programDir.path() + QStringLiteral("/Vantrel.log"); }
    QStringList logLines() const
    {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromLatin1(f.readAll());
        if (text.endsWith(QStringLiteral("\r\n")))
            text.chop(2);
        return text.split(QStringLiteral("\r\n"));
    }
    // Event lines only (the two header lines left out).
    QStringList logEvents() const { return logLines().mid(2); }

    ScopedHome home;
    FileRegistry registry;
    FakePlatform fake;
    // The fake platform's parts under the names the tests use.
    FakeRasService &rasService = fake.rasService();
    RasApi &ras = fake.ras();
    FakeSockets &sockets = fake.sockets();
    RecordingNotifyIcon &tray = fake.tray();
    RecordingWavePlayer &wave = fake.wave();
    RecordingBeeper &beeper = fake.beeper();
    RecordingPause &pause = fake.pause();
    FixedClock &clock = fake.clock();
    RecordingMessageBoxes &boxes = fake.boxes();
    Platform &platform = fake.platform();
    QTemporaryDir programDir;
    AppState state;
    std::unique_ptr<TfmVantrel> fm;
};

inline const QString kStamp = QStringLiteral("[06-19-2024 22h 05m 09s]");

} // namespace vantrel::test
