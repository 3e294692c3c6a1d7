// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm settings window: what it shows from the settings, its enabling
// rules, and what each control writes back.
#include "alarmfixture.h"

#include "monitor/settings.h"
#include "platform/errorreport.h"
#include "platform/registry/fileregistry.h"
#include "ui/alarm/fmalarm.h"
#include "ui/support/recordingfiledialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWindow>

namespace vantrel::test {
namespace {

class FmAlarmTest : public AlarmFixture {
protected:
    void SetUp() override
    {
        AlarmFixture::SetUp();
        platform.registry = &registry;
        state.ProgramFolder = programFolder.path();
        goodWave = programFolder.filePath(QStringLiteral("ring.wav"));
        QFile f(goodWave);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    void TearDown() override
    {
        window.reset();
        AlarmFixture::TearDown();
    }

    TfmAlarm &open()
    {
        window = std::make_unique<TfmAlarm>(state, platform, *alarm);
        window->setFileDialogs(&files);
        return *window;
    }

    // Shows the window and makes it the active one, so focus moves as for a user.
    void showActive()
    {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        QCoreApplication::processEvents();
    }

    // What OK stored, read back as the next start would.
    AppSettings stored()
    {
        AppSettings s;
        RecordingMessageBoxes quiet;
        LoadSettings(registry, quiet, s);
        return s;
    }
    bool nothingStored() const { return !QFile::exists(registry.hiveFile(Hive::CurrentUser)); }

    QTemporaryDir configFolder;
    FileRegistry registry{configFolder.path(), configFolder.path() + QStringLiteral("/autostart")};
    RecordingFileDialogs files;
    QTemporaryDir programFolder;
    QString goodWave;
    std::unique_ptr<TfmAlarm> window;
};

TEST_F(FmAlarmTest, HasItsFixedShapeAndTabOrder)
{
    TfmAlarm &w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Configure Vantrel Alarm"));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()); // its size: test_windowfit
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Child<QComboBox>(w, "edSet")->count(), 2);
    EXPECT_EQ(Child<QComboBox>(w, "edSet")->itemText(0), QStringLiteral("once"));
    EXPECT_EQ(Child<QComboBox>(w, "edSet")->itemText(1), QStringLiteral("every"));
    EXPECT_TRUE(Child<QCheckBox>(w, "cbEnable")->font().bold());
    EXPECT_TRUE(Child<QLabel>(w, "Label4")->font().bold());
    EXPECT_EQ(Child<QPushButton>(w, "btOK")->text(), QStringLiteral("&OK"));
    EXPECT_EQ(Child<QToolButton>(w, "btWavDialog")->focusPolicy(), Qt::NoFocus);
    // Every control lies inside the window.
    for (QWidget *c : w.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(w.rect().contains(c->geometry())) << c->objectName().toStdString();
    for (QWidget *c : Child<QFrame>(w, "Panel1")->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(Child<QFrame>(w, "Panel1")->rect().contains(c->geometry())) << c->objectName().toStdString();

    QStringList order;
    QWidget *start = Child<QComboBox>(w, "edSet");
    QWidget *next = start;
    do {
        if ((next->focusPolicy() & Qt::TabFocus) && next->window() == &w)
            order << next->objectName();
        next = next->nextInFocusChain();
    } while (next != start);
    EXPECT_EQ(order, QStringList({"edSet", "edSeconds", "cbSystemBeep", "cbPlay", "cbBox", "edFileWave", "edBoxDialog",
                                  "cbEnable", "btOK"}));

    showActive();
    EXPECT_FALSE(Child<QPushButton>(w, "btOK")->isDefault()); // Enter in a field does not press it
}

TEST_F(FmAlarmTest, ShowsTheSoundSettingWithItsEnablingRules)
{
    const struct {
        std::uint8_t sound;
        bool beep, beepEnabled, play, playEnabled, fileEnabled;
    } cases[] = {
        {0, false, true, false, true, false},
        {1, true, true, false, false, false},
        {2, false, false, true, true, true},
        {3, false, true, false, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "Sound " << int(c.sound));
        state.AppSettings.Sound = c.sound;
        TfmAlarm &w = open();
        EXPECT_EQ(Child<QCheckBox>(w, "cbSystemBeep")->isChecked(), c.beep);
        EXPECT_EQ(Child<QCheckBox>(w, "cbSystemBeep")->isEnabled(), c.beepEnabled);
        EXPECT_EQ(Child<QCheckBox>(w, "cbPlay")->isChecked(), c.play);
        EXPECT_EQ(Child<QCheckBox>(w, "cbPlay")->isEnabled(), c.playEnabled);
        EXPECT_EQ(Child<QLineEdit>(w, "edFileWave")->isEnabled(), c.fileEnabled);
        EXPECT_EQ(Child<QToolButton>(w, "btWavDialog")->isEnabled(), c.fileEnabled);
        EXPECT_EQ(state.AppSettings.Sound, c.sound); // opening changes nothing
    }
}

TEST_F(FmAlarmTest, ShowsTheOtherSettings)
{
    const struct {
        bool alarm;
        std::uint8_t set;
        int index;
        bool atShown;
        bool box;
    } cases[] = {
        {true, 0, 0, true, true}, {false, 1, 1, false, false}, {true, 7, 1, false, true}, // any other value repeats
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "Set " << int(c.set));
        state.AppSettings.Alarm = c.alarm;
        state.AppSettings.Set = c.set;
        state.AppSettings.Box = c.box;
        state.AppSettings.Interval = 45;
        state.AppSettings.Wave = goodWave;
        state.AppSettings.Message = QStringLiteral("Online $m min");
        TfmAlarm &w = open();
        EXPECT_EQ(Child<QCheckBox>(w, "cbEnable")->isChecked(), c.alarm);
        EXPECT_EQ(Child<QComboBox>(w, "edSet")->currentIndex(), c.index);
        EXPECT_EQ(!Child<QLabel>(w, "Label1")->isHidden(), c.atShown);
        EXPECT_EQ(Child<QLineEdit>(w, "edSeconds")->text(), QStringLiteral("45"));
        EXPECT_EQ(Child<QLineEdit>(w, "edFileWave")->text(), goodWave);
        EXPECT_EQ(Child<QLineEdit>(w, "edBoxDialog")->text(), QStringLiteral("Online $m min"));
        EXPECT_EQ(Child<QCheckBox>(w, "cbBox")->isChecked(), c.box);
        EXPECT_EQ(Child<QLineEdit>(w, "edBoxDialog")->isEnabled(), c.box);
        EXPECT_EQ(state.AppSettings.Set, c.set);
        EXPECT_EQ(state.AppSettings.Alarm, c.alarm);
    }
}

TEST_F(FmAlarmTest, OpeningDuringAnOnlinePeriodRestartsItsAlarmPeriod)
{
    openPeriod();
    VantrelAlarm.setInterval(1234); // a period from before: the opening sets it anew
    open();
    EXPECT_TRUE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 5 * 60000);
}

TEST_F(FmAlarmTest, TheMinutesFieldTakesDigitsOnly)
{
    TfmAlarm &w = open();
    Child<QLineEdit>(w, "edSeconds")->clear();
    EXPECT_EQ(state.AppSettings.Interval, 5); // clearing keeps the interval

    typeText(Child<QLineEdit>(w, "edSeconds"), QStringLiteral("1a2"));
    EXPECT_EQ(Child<QLineEdit>(w, "edSeconds")->text(), QStringLiteral("12"));
    EXPECT_EQ(state.AppSettings.Interval, 12);

    // Control characters are dropped too: no paste by keyboard.
    QApplication::clipboard()->setText(QStringLiteral("777"));
    typeKey(Child<QLineEdit>(w, "edSeconds"), Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    typeKey(Child<QLineEdit>(w, "edSeconds"), Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    typeKey(Child<QLineEdit>(w, "edSeconds"), Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-"));
    EXPECT_EQ(Child<QLineEdit>(w, "edSeconds")->text(), QStringLiteral("12"));

    typeKey(Child<QLineEdit>(w, "edSeconds"), Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(Child<QLineEdit>(w, "edSeconds")->text(), QStringLiteral("1"));
    EXPECT_EQ(state.AppSettings.Interval, 1);
    EXPECT_EQ(VantrelAlarm.interval(), 60000);
}

TEST_F(FmAlarmTest, ClearingTheMinutesStillRestartsARunningPeriod)
{
    TfmAlarm &w = open();
    openPeriod();
    VantrelAlarm.setInterval(1234);
    Child<QLineEdit>(w, "edSeconds")->clear();
    EXPECT_EQ(state.AppSettings.Interval, 5);
    EXPECT_TRUE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 5 * 60000);
}

TEST_F(FmAlarmTest, MinutesThatAreNoIntegerGoToTheErrorReportAndChangeNothing)
{
    TfmAlarm &w = open();
    openPeriod();
    const char *bad[] = {"12x", "99999999999", "2147483648", " 7", "1e3"};
    for (const char *text : bad) {
        VantrelAlarm.setInterval(1234);
        boxes.shown.clear();
        Child<QLineEdit>(w, "edSeconds")->setText(QString::fromLatin1(text)); // as a paste would
        ASSERT_EQ(boxes.shown.size(), 1) << text;
        EXPECT_EQ(boxes.shown.first().title, QStringLiteral("Vantrel"));
        EXPECT_EQ(boxes.shown.first().text,
                  QStringLiteral("'%1' is not a valid integer value.").arg(QString::fromLatin1(text)));
        EXPECT_EQ(state.AppSettings.Interval, 5) << text;
        EXPECT_EQ(VantrelAlarm.interval(), 1234) << text;
    }
    Child<QLineEdit>(w, "edSeconds")->setText(QStringLiteral("2147483647"));
    EXPECT_EQ(state.AppSettings.Interval, 2147483647);
    EXPECT_EQ(VantrelAlarm.interval(), 2147483647LL * 60000);
}

TEST_F(FmAlarmTest, ChoosingOnceOrEveryShowsOrHidesAt)
{
    state.AppSettings.Set = 0;
    TfmAlarm &w = open();
    Child<QComboBox>(w, "edSet")->setFocus();
    typeKey(Child<QComboBox>(w, "edSet"), Qt::Key_Down);
    EXPECT_EQ(state.AppSettings.Set, 1);
    EXPECT_TRUE(Child<QLabel>(w, "Label1")->isHidden());
    typeKey(Child<QComboBox>(w, "edSet"), Qt::Key_Up);
    EXPECT_EQ(state.AppSettings.Set, 0);
    EXPECT_FALSE(Child<QLabel>(w, "Label1")->isHidden());
}

TEST_F(FmAlarmTest, BeepAndPlayExcludeEachOther)
{
    state.AppSettings.Sound = 0;
    TfmAlarm &w = open();
    Child<QCheckBox>(w, "cbSystemBeep")->click();
    EXPECT_EQ(state.AppSettings.Sound, 1);
    EXPECT_FALSE(Child<QCheckBox>(w, "cbPlay")->isEnabled());
    Child<QCheckBox>(w, "cbSystemBeep")->click();
    EXPECT_EQ(state.AppSettings.Sound, 0);
    EXPECT_TRUE(Child<QCheckBox>(w, "cbPlay")->isEnabled());

    Child<QCheckBox>(w, "cbPlay")->click();
    EXPECT_EQ(state.AppSettings.Sound, 2);
    EXPECT_FALSE(Child<QCheckBox>(w, "cbSystemBeep")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(w, "edFileWave")->isEnabled());
    EXPECT_TRUE(Child<QToolButton>(w, "btWavDialog")->isEnabled());
    EXPECT_EQ(wave.openCalls, 0); // ticking loads nothing
    EXPECT_TRUE(boxes.shown.isEmpty());
    Child<QCheckBox>(w, "cbPlay")->click();
    EXPECT_EQ(state.AppSettings.Sound, 0);
    EXPECT_TRUE(Child<QCheckBox>(w, "cbSystemBeep")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(w, "edFileWave")->isEnabled());
    EXPECT_FALSE(Child<QToolButton>(w, "btWavDialog")->isEnabled());
}

TEST_F(FmAlarmTest, EnableAndMessageBoxWriteAtOnce)
{
    state.AppSettings.Box = false;
    TfmAlarm &w = open();
    openPeriod();
    Child<QCheckBox>(w, "cbEnable")->click(); // disarmed during an online period: no further warnings
    EXPECT_FALSE(state.AppSettings.Alarm);
    passMinutes(10);
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_TRUE(VantrelAlarm.isActive());

    Child<QCheckBox>(w, "cbBox")->click();
    EXPECT_TRUE(state.AppSettings.Box);
    EXPECT_TRUE(Child<QLineEdit>(w, "edBoxDialog")->isEnabled());
}

TEST_F(FmAlarmTest, TheTemplateIsNeverLeftEmpty)
{
    TfmAlarm &w = open();
    Child<QLineEdit>(w, "edBoxDialog")->setText(QStringLiteral("Online for $m minutes"));
    EXPECT_EQ(state.AppSettings.Message, QStringLiteral("Online for $m minutes"));
    Child<QLineEdit>(w, "edBoxDialog")->clear();
    EXPECT_EQ(Child<QLineEdit>(w, "edBoxDialog")->text(), QStringLiteral("Time Left: $m minutes.$n$t warning(s)"));
    EXPECT_EQ(state.AppSettings.Message, QStringLiteral("Time Left: $m minutes.$n$t warning(s)"));
    EXPECT_EQ(Child<QLineEdit>(w, "edBoxDialog")->maxLength(), 255);
}

TEST_F(FmAlarmTest, ALongerStoredTemplateIsShownWhole)
{
    const QString longTemplate = QString(300, QLatin1Char('x')) + QStringLiteral("$m");
    state.AppSettings.Message = longTemplate;
    TfmAlarm &w = open();
    EXPECT_EQ(Child<QLineEdit>(w, "edBoxDialog")->text(), longTemplate);
    EXPECT_EQ(state.AppSettings.Message, longTemplate);
}

TEST_F(FmAlarmTest, LeavingTheWaveFieldTakesAnExistingFileOrSaysItIsMissing)
{
    state.AppSettings.Sound = 2;
    state.AppSettings.Wave = QStringLiteral("/old/ring.wav");
    TfmAlarm &w = open();

    const struct {
        const char *name;
        QString text;
        QString openError;
        QString wave; // Wave afterwards
        QString boxTitle;
        QString boxText;
        bool reloaded;
    } cases[] = {
        {"missing", programFolder.filePath("gone.wav"), {}, "/old/ring.wav", "Vantrel Message", "  File not found.  ", false},
        {"empty", QString(), {}, "/old/ring.wav", "Vantrel Message", "  File not found.  ", false},
        {"a folder", programFolder.path(), {}, "/old/ring.wav", "Vantrel Message", "  File not found.  ", false},
        {"good", goodWave, {}, goodWave, {}, {}, true},
        {"not playable", goodWave, "'" + goodWave + "' is not a playable wave file", goodWave, "Vantrel",
         "'" + goodWave + "' is not a playable wave file.", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        state.AppSettings.Wave = QStringLiteral("/old/ring.wav");
        boxes.shown.clear();
        wave.log.clear();
        wave.openError = c.openError;
        Child<QLineEdit>(w, "edFileWave")->setText(c.text);
        EXPECT_EQ(w.edFileWaveExit(), c.wave != QLatin1String("/old/ring.wav"));
        EXPECT_EQ(state.AppSettings.Wave, c.wave);
        if (c.boxTitle.isEmpty()) {
            EXPECT_TRUE(boxes.shown.isEmpty());
        } else {
            ASSERT_EQ(boxes.shown.size(), 1);
            EXPECT_EQ(boxes.shown[0].title, c.boxTitle);
            EXPECT_EQ(boxes.shown[0].text, c.boxText);
            EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Error);
        }
        if (c.reloaded) {
            EXPECT_EQ(wave.log, QStringList({"close", "file:" + c.wave, "open"}));
            EXPECT_EQ(wave.isOpen(), c.openError.isEmpty());
        } else {
            EXPECT_TRUE(wave.log.isEmpty());
        }
    }
}

TEST_F(FmAlarmTest, MovingTheFocusOnFromTheWaveFieldRunsTheCheck)
{
    state.AppSettings.Sound = 2;
    TfmAlarm &w = open();
    showActive();
    Child<QLineEdit>(w, "edFileWave")->setFocus(Qt::TabFocusReason);
    Child<QLineEdit>(w, "edFileWave")->setText(programFolder.filePath("gone.wav"));

    // Another window taking the focus is not leaving the field.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(Child<QLineEdit>(w, "edFileWave"), &away);
    QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.shown.isEmpty());

    Child<QCheckBox>(w, "cbBox")->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("  File not found.  "));
    EXPECT_TRUE(boxes.shown[0].setAsideTopMost);
    EXPECT_TRUE(Child<QCheckBox>(w, "cbPlay")->hasFocus());
}

TEST_F(FmAlarmTest, OkAfterLeavingAMissingWaveFileKeepsTheWindowOpen)
{
    state.AppSettings.Sound = 2;
    TfmAlarm &w = open();
    showActive();
    Child<QLineEdit>(w, "edFileWave")->setFocus(Qt::TabFocusReason);
    Child<QLineEdit>(w, "edFileWave")->setText(programFolder.filePath("gone.wav"));
    Child<QPushButton>(w, "btOK")->setFocus(Qt::MouseFocusReason); // the press on OK
    Child<QPushButton>(w, "btOK")->click();                        // and its release, before the queued check
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(nothingStored());
    ASSERT_EQ(boxes.shown.size(), 1);
    QCoreApplication::processEvents(); // the queued check does not run a second time
    EXPECT_EQ(boxes.shown.size(), 1);
}

TEST_F(FmAlarmTest, TheFileDialogStartsInTheProgramFolderAndItsChoiceIsChecked)
{
    state.AppSettings.Sound = 2;
    state.AppSettings.Wave = QStringLiteral("/old/ring.wav");
    TfmAlarm &w = open();

    Child<QToolButton>(w, "btWavDialog")->click(); // cancelled
    ASSERT_EQ(files.asked.size(), 1);
    EXPECT_EQ(files.asked[0].title, QStringLiteral("Choose a sound file"));
    EXPECT_EQ(files.asked[0].filter, QStringLiteral("Wave files (*.wav)"));
    EXPECT_EQ(files.asked[0].folder, programFolder.path());
    EXPECT_EQ(files.asked[0].defaultSuffix, QStringLiteral("wav"));
    EXPECT_TRUE(files.asked[0].setAsideTopMost);
    EXPECT_EQ(Child<QLineEdit>(w, "edFileWave")->text(), QStringLiteral("/old/ring.wav"));
    EXPECT_EQ(state.AppSettings.Wave, QStringLiteral("/old/ring.wav"));

    files.setNextFileName(goodWave);
    Child<QToolButton>(w, "btWavDialog")->click();
    EXPECT_EQ(Child<QLineEdit>(w, "edFileWave")->text(), goodWave);
    EXPECT_EQ(state.AppSettings.Wave, goodWave);
    EXPECT_TRUE(wave.isOpen());
    EXPECT_EQ(wave.fileName(), goodWave);

    // A file gone between the choice and the check.
    files.setNextFileName(programFolder.filePath("vanished.wav"));
    Child<QToolButton>(w, "btWavDialog")->click();
    EXPECT_EQ(state.AppSettings.Wave, goodWave);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("  File not found.  "));
}

TEST_F(FmAlarmTest, OkStoresTheSevenAlarmValuesAndCloses)
{
    state.AppSettings.Set = 0;
    state.AppSettings.Interval = 1;
    TfmAlarm *first = &open();
    (void)first;
    openPeriod();
    VantrelAlarm.fire(); // a once-only alarm fires while the window is open
    window.reset();

    TfmAlarm &w = open(); // opened again: "Enable Alarm" unticked
    EXPECT_FALSE(Child<QCheckBox>(w, "cbEnable")->isChecked());
    Child<QCheckBox>(w, "cbSystemBeep")->click(); // Sound 1 -> 0
    w.show();
    Child<QPushButton>(w, "btOK")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    const AppSettings back = stored();
    EXPECT_FALSE(back.Alarm);
    EXPECT_EQ(back.Sound, 0);
    EXPECT_EQ(back.Interval, 1);
    EXPECT_EQ(back.Set, 0);
    EXPECT_EQ(back.Wave, state.AppSettings.Wave);
    EXPECT_EQ(back.Message, state.AppSettings.Message);
    EXPECT_EQ(back.Box, state.AppSettings.Box);
}

TEST_F(FmAlarmTest, EscapeDoesNotCloseItAndAWindowManagerCloseKeepsTheChanges)
{
    TfmAlarm &w = open();
    showActive();
    typeKey(&w, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(nothingStored());

    Child<QLineEdit>(w, "edSeconds")->setText(QStringLiteral("20"));
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_TRUE(w.windowHandle()->close()); // through the platform, as Alt+F4 does
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(stored().Interval, 20);
}

TEST_F(FmAlarmTest, AWindowManagerCloseAfterAMissingWaveFileIsRefused)
{
    state.AppSettings.Sound = 2;
    TfmAlarm &w = open();
    showActive();
    Child<QLineEdit>(w, "edFileWave")->setFocus(Qt::TabFocusReason);
    Child<QLineEdit>(w, "edFileWave")->setText(programFolder.filePath("gone.wav"));
    Child<QCheckBox>(w, "cbBox")->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(w.windowHandle()->close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(nothingStored());
    EXPECT_EQ(boxes.shown.size(), 1);
}

} // namespace
} // namespace vantrel::test
