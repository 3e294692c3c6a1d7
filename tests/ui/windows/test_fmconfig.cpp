// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration window: the mode pair and the actions that follow it, the
// double-click action at opening, and what closing applies and stores.
#include "ui/monitor/monitorfixture.h"

#include "monitor/settings.h"
#include "ui/windows/fmconfig.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <functional>
#include <string>
#include <vector>

namespace vantrel::test {
namespace {

const QString kProgram = QStringLiteral("/opt/My Apps/vantrel");

class FmConfigTest : public MonitorFixture {
protected:
    void TearDown() override
    {
        window.reset();
        MonitorFixture::TearDown();
    }

    TfmConfig &open()
    {
        if (!fm)
            create();
        window = std::make_unique<TfmConfig>(state, platform, *fm, &configLine, kProgram);
        return *window;
    }

    AppSettings stored()
    {
        AppSettings s;
        RecordingMessageBoxes quiet;
        LoadSettings(registry, quiet, s);
        return s;
    }

    QString autostartFile() const { return home.configDir() + QStringLiteral("/autostart/Vantrel.desktop"); }
    QString runEntry()
    {
        RegKey key;
        registry.openKey(Hive::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), false,
                         &key);
        RegValue value;
        const bool found = registry.queryValue(key, QStringLiteral("Vantrel"), &value) == RegStatus::Success;
        registry.closeKey(&key);
        return found ? value.text : QStringLiteral("<none>");
    }

    QLabel configLine;
    std::unique_ptr<TfmConfig> window;
};

// What the window shows and has set, in one line, so that a table can spell out
// each step: D/L the mode boxes, A "Advanced...", C the menu's Connect item,
// the action items, the one selected, Def.
std::string look(const TfmConfig &w, const TfmVantrel &fm, const AppState &state)
{
    return QStringLiteral("D%1 L%2 A%3 C%4 items %5 sel %6 Def %7")
        .arg(int(Child<QCheckBox>(w, "cxDialup")->isChecked()))
        .arg(int(Child<QCheckBox>(w, "cxLAN")->isChecked()))
        .arg(int(Child<QPushButton>(w, "btAdvanced")->isEnabled()))
        .arg(int(Child<QAction>(fm, "Connect1")->isEnabled()))
        .arg(w.actionCount())
        .arg(w.actionIndex())
        .arg(state.AppSettings.Def)
        .toStdString();
}

TEST_F(FmConfigTest, ModePairIsNeverBothOffAndTheActionsFollowIt)
{
    setUser(QStringLiteral("Conn"), DWORD(0));
    setUser(QStringLiteral("Def"), DWORD(2));
    TfmConfig &w = open();
    const auto pick = [&w](int i) { w.actionItem(i)->click(); };
    struct Step {
        const char *what;
        std::function<void()> act;
        const char *expected;
    };
    const std::vector<Step> steps{
        {"opened in dial-up mode", [] {}, "D1 L0 A1 C1 items 3 sel 2 Def 2"},
        {"tick LAN", [&] { Child<QCheckBox>(w, "cxLAN")->click(); }, "D0 L1 A0 C0 items 2 sel 0 Def 0"},
        {"untick LAN", [&] { Child<QCheckBox>(w, "cxLAN")->click(); }, "D1 L0 A1 C1 items 3 sel 0 Def 0"},
        {"pick connect", [&] { pick(2); }, "D1 L0 A1 C1 items 3 sel 2 Def 2"},
        {"untick dial-up", [&] { Child<QCheckBox>(w, "cxDialup")->click(); }, "D0 L1 A0 C0 items 2 sel 0 Def 0"},
        {"tick dial-up", [&] { Child<QCheckBox>(w, "cxDialup")->click(); }, "D1 L0 A1 C1 items 3 sel 0 Def 0"},
        {"pick copy", [&] { pick(1); }, "D1 L0 A1 C1 items 3 sel 1 Def 1"},
        {"tick LAN again", [&] { Child<QCheckBox>(w, "cxLAN")->click(); }, "D0 L1 A0 C0 items 2 sel 1 Def 1"},
    };
    for (const Step &step : steps) {
        step.act();
        EXPECT_EQ(look(w, *fm, state), step.expected) << step.what;
    }
}

TEST_F(FmConfigTest, OpeningSelectsTheStoredActionAndOkStoresWhatIsShown)
{
    struct Row {
        DWORD conn, def;
        const char *expected; // after opening
        std::int32_t storedDef;
    };
    const Row rows[] = {
        // Dial-up mode enables Connect even with no entry chosen.
        {0, 0, "D1 L0 A1 C1 items 3 sel 0 Def 0", 0},
        {0, 2, "D1 L0 A1 C1 items 3 sel 2 Def 2", 2},
        // Any other value also means connect or disconnect.
        {0, 7, "D1 L0 A1 C1 items 3 sel 2 Def 7", 7},
        {1, 1, "D0 L1 A0 C0 items 2 sel 1 Def 1", 1},
        {1, 2, "D0 L1 A0 C0 items 2 sel 0 Def 0", 0},
        {1, 7, "D0 L1 A0 C0 items 2 sel 0 Def 0", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "Conn " << row.conn << " Def " << row.def);
        setUser(QStringLiteral("Conn"), row.conn);
        setUser(QStringLiteral("Def"), row.def);
        fm.reset();
        TfmConfig &w = open();
        EXPECT_EQ(look(w, *fm, state), row.expected);
        Child<QPushButton>(w, "btClose")->click();
        EXPECT_EQ(stored().Def, row.storedDef);
    }
}

TEST_F(FmConfigTest, ClosingAppliesTheModeStoresTheGroupAndRewritesTheRunEntry)
{
    setUser(QStringLiteral("Conn"), DWORD(0));
    setUser(QStringLiteral("Def"), DWORD(0));
    TfmConfig &w = open();
    Child<QCheckBox>(w, "cxLAN")->click();
    Child<QCheckBox>(w, "cxAnim")->click();
    Child<QCheckBox>(w, "cbLog")->click();
    Child<QCheckBox>(w, "cbRun")->click();
    w.actionItem(1)->click();
    // Effective at once, before the window closes; the mode and the menu wait.
    EXPECT_FALSE(state.AppSettings.Anim);
    EXPECT_TRUE(state.AppSettings.Log);
    EXPECT_EQ(popupMenu()->defaultAction(), item("Open1"));
    EXPECT_FALSE(state.AppSettings.Conn);

    Child<QPushButton>(w, "btClose")->click();
    EXPECT_TRUE(state.AppSettings.Conn);
    EXPECT_EQ(configLine.text(), QStringLiteral("Configured as:  LAN connection"));
    EXPECT_EQ(popupMenu()->defaultAction(), item("CopyIP1"));
    const AppSettings s = stored();
    EXPECT_TRUE(s.Conn);
    EXPECT_FALSE(s.Anim);
    EXPECT_EQ(s.Def, 1);
    EXPECT_TRUE(s.Log);
    EXPECT_EQ(s.RunAtStartup, 1);
    EXPECT_EQ(runEntry(), kProgram);

    // Every close rewrites the entry, whether or not the box was touched.
    ASSERT_TRUE(QFile::remove(autostartFile()));
    Child<QPushButton>(open(), "btClose")->click();
    EXPECT_EQ(runEntry(), kProgram);

    // Unticked: the entry is gone after OK; the mode line follows the mode.
    TfmConfig &again = open();
    Child<QCheckBox>(again, "cbRun")->click();
    Child<QCheckBox>(again, "cxDialup")->click();
    Child<QPushButton>(again, "btClose")->click();
    EXPECT_EQ(runEntry(), QStringLiteral("<none>"));
    EXPECT_FALSE(QFile::exists(autostartFile()));
    EXPECT_EQ(configLine.text(), QStringLiteral("Configured as:  Dialup connection"));
}

TEST_F(FmConfigTest, ModeAndMenuFollowTheChoiceWhenTheSettingsCannotBeStored)
{
    create();
    // A folder in the per-user hive's place: its key cannot be opened or made.
    ASSERT_TRUE(QDir().mkpath(registry.hiveFile(Hive::CurrentUser)));
    RegKey key;
    ASSERT_NE(registry.openKey(Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"), true, &key),
              RegStatus::Success);
    TfmConfig &w = open();
    Child<QCheckBox>(w, "cxLAN")->click();
    w.actionItem(1)->click();
    Child<QCheckBox>(w, "cbRun")->click();
    Child<QPushButton>(w, "btClose")->click();
    EXPECT_TRUE(state.AppSettings.Conn);
    EXPECT_EQ(configLine.text(), QStringLiteral("Configured as:  LAN connection"));
    EXPECT_EQ(popupMenu()->defaultAction(), item("CopyIP1"));
    EXPECT_EQ(runEntry(), kProgram); // another hive, stored all the same
}

TEST_F(FmConfigTest, AutostartFileItLeavesIsAValidDesktopEntry)
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        if (qgetenv("CI") == "true")
            FAIL() << "desktop-file-validate is missing (desktop-file-utils)";
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    }
    TfmConfig &w = open();
    Child<QCheckBox>(w, "cbRun")->click();
    Child<QPushButton>(w, "btClose")->click();
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {autostartFile()});
    ASSERT_TRUE(validate.waitForFinished(30000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAll(), QByteArray()); // no warnings either
}

} // namespace
} // namespace vantrel::test
