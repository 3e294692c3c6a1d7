// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm's rules: template expansion, the period, the wave player's
// preparation, and what an online period with the alarm armed brings.
#include "alarmfixture.h"

#include "platform/errorreport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <limits>

namespace vantrel::test {
namespace {

struct TemplateCase {
    const char *templ;
    int minutes;
    int warnings;
    const char *expected;
};

TEST(ExpandAlarmMessage, ReplacesEachPairAsTheRulesSay)
{
    const TemplateCase cases[] = {
        {"", 5, 1, ""},
        {"$m", 120, 1, "120"},
        {"$n", 0, 0, "\r\n"},
        {"$t", 0, 7, "7"},
        {"Elapsed time: $m minutes.$n$t warning(s)", 30, 1, "Elapsed time: 30 minutes.\r\n1 warning(s)"},
        {"a$xb", 1, 1, "ab"},      // any other pair vanishes
        {"$M$N$T", 1, 1, ""},      // capitals are other pairs
        {"price$", 1, 1, "price"}, // a final $ alone is removed
        {"$", 1, 1, ""},
        {"$$m", 9, 1, "m"}, // the first pair is "$$"
        {"$$$m", 9, 1, "9"},
        {"100$ off", 1, 1, "100off"},
        {"$m$m$t$t", 12, 3, "121233"},
        {"$n$n", 0, 0, "\r\n\r\n"},
        {"\xe2\x82\xac$m\xe2\x82\xac", 3, 1,
         "\xe2\x82\xac"
         "3\xe2\x82\xac"},
        {"no pairs at all", 1, 1, "no pairs at all"},
        {"a$\xf0\x9f\x98\x80"
         "b",
         1, 1, "ab"}, // a partner beyond the basic plane goes whole
    };
    for (const TemplateCase &c : cases) {
        EXPECT_EQ(ExpandAlarmMessage(QString::fromUtf8(c.templ), c.minutes, c.warnings), QString::fromUtf8(c.expected))
            << "template: " << c.templ;
    }
}

TEST(AlarmPeriod, IsMinutesTimesSixtyThousandIn64BitsAndNeverNegative)
{
    const struct {
        std::int32_t minutes;
        qint64 ms;
    } cases[] = {
        {0, 0},
        {-5, 0},
        {std::numeric_limits<std::int32_t>::min(), 0},
        {1, 60000},
        {35791, 2147460000},   // the last that fits a 32-bit count
        {35792, 2147520000LL}, // the first that does not
        {40000, 2400000000LL},
        {std::numeric_limits<std::int32_t>::max(), 2147483647LL * 60000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AlarmPeriodMilliseconds(c.minutes), c.ms) << c.minutes << " minutes";
}

using AlarmTest = AlarmFixture;

TEST_F(AlarmTest, PrepareWavePlayerStopsTheTimerAndKeepsALongPeriodWhole)
{
    state.AppSettings.Interval = 40000;
    VantrelAlarm.setInterval(1000);
    VantrelAlarm.start();
    alarm->PrepareWavePlayer();
    EXPECT_FALSE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 2400000000LL);

    // Started by the poll it runs with that period, not a wrapped or cut one.
    openPeriod();
    EXPECT_TRUE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 2400000000LL);
}

TEST_F(AlarmTest, NegativeMinutesMakeTheTimerInert)
{
    state.AppSettings.Interval = -3;
    alarm->PrepareWavePlayer();
    openPeriod();
    EXPECT_TRUE(VantrelAlarm.isActive()); // the online period is open
    EXPECT_EQ(VantrelAlarm.interval(), 0);
}

TEST_F(AlarmTest, PrepareWavePlayerOpensOnlyAPlayableChosenFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("ring.wav"));
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    struct Case {
        const char *name;
        std::uint8_t sound;
        QString file;
        QString openError;
        QString boxTitle; // empty: no box
        QString boxText;
        bool opened;
    };
    const Case cases[] = {
        {"empty name", 2, QString(), {}, "Vantrel Message", "No Sound File selected.", false},
        {"missing file", 2, dir.filePath("gone.wav"), {}, "Vantrel Message", "Sound File not found.", false},
        {"a folder", 2, dir.path(), {}, "Vantrel Message", "Sound File not found.", false},
        {"not playable", 2, existing, "'" + existing + "' is not a playable wave file", "Vantrel",
         "'" + existing + "' is not a playable wave file.", false},
        {"playable", 2, existing, {}, {}, {}, true},
        {"beep chosen", 1, QString(), {}, {}, {}, false},
        {"no sound", 0, dir.filePath("gone.wav"), {}, {}, {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWavePlayer player;
        RecordingMessageBoxes shown;
        platform.wave = &player;
        platform.boxes = &shown;
        player.openError = c.openError;
        state.AppSettings.Sound = c.sound;
        state.AppSettings.Wave = c.file;
        alarm->PrepareWavePlayer();
        EXPECT_EQ(player.isOpen(), c.opened);
        if (c.boxTitle.isEmpty()) {
            EXPECT_TRUE(shown.shown.isEmpty());
        } else {
            ASSERT_EQ(shown.shown.size(), 1);
            EXPECT_EQ(shown.shown[0].title, c.boxTitle);
            EXPECT_EQ(shown.shown[0].text, c.boxText);
            EXPECT_EQ(shown.shown[0].icon, MessageBoxes::Icon::Error);
        }
        if (c.sound == 2)
            EXPECT_EQ(player.fileName(), c.file);
        else
            EXPECT_TRUE(player.log.isEmpty()) << player.log.join(',').toStdString();
    }
    platform.wave = &wave;
    platform.boxes = &boxes;
}

TEST_F(AlarmTest, OnceWithOneMinuteWarnsOnceForTheWholeRun)
{
    state.AppSettings.Set = 0;
    state.AppSettings.Interval = 1;
    alarm->PrepareWavePlayer();
    openPeriod();
    EXPECT_EQ(beeper.beeps, 1); // the connect cue

    passMinutes(1);
    EXPECT_EQ(shownText(), QStringLiteral("Elapsed time: 1 minutes.\n1 warning(s)"));
    EXPECT_EQ(beeper.beeps, 2);
    EXPECT_FALSE(state.AppSettings.Alarm);

    passMinutes(30);
    EXPECT_EQ(state.AlarmElapsedMinutes, 1);
    EXPECT_EQ(state.AlarmWarningCount, 1);
    EXPECT_EQ(beeper.beeps, 2);

    // A later online period of the same run: no cue, no warning.
    closePeriod();
    openPeriod();
    passMinutes(10);
    EXPECT_EQ(beeper.beeps, 2);
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_TRUE(VantrelAlarm.isActive()); // the timer runs; its ticks do nothing
}

TEST_F(AlarmTest, EveryFiveMinutesOverSixteenWarnsAtFiveTenAndFifteen)
{
    alarm->PrepareWavePlayer();
    openPeriod();
    QStringList texts;
    int lastCount = 0;
    for (int minute = 1; minute <= 16; ++minute) {
        passMinutes(1);
        if (state.AlarmWarningCount != lastCount) {
            lastCount = state.AlarmWarningCount;
            texts << QStringLiteral("%1: %2").arg(minute).arg(shownText());
        }
    }
    EXPECT_EQ(texts, QStringList({
                         "5: Elapsed time: 5 minutes.\n1 warning(s)",
                         "10: Elapsed time: 10 minutes.\n2 warning(s)",
                         "15: Elapsed time: 15 minutes.\n3 warning(s)",
                     }));
    EXPECT_EQ(beeper.beeps, 1 + 3);
    EXPECT_EQ(messageWindowCount(), 1);
    EXPECT_TRUE(state.AppSettings.Alarm);
}

TEST_F(AlarmTest, AFiringWhileTheWindowIsOpenReusesIt)
{
    alarm->PrepareWavePlayer();
    openPeriod();
    passMinutes(5);
    ASSERT_TRUE(alarm->AlarmWindowOpen());
    TMsgAlarm *first = alarm->MsgAlarm;
    first->hide(); // even pushed out of sight, the next firing brings it back
    passMinutes(5);
    EXPECT_EQ(alarm->MsgAlarm.data(), first);
    EXPECT_EQ(messageWindowCount(), 1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(shownText(), QStringLiteral("Elapsed time: 10 minutes.\n2 warning(s)"));
}

TEST_F(AlarmTest, AfterOkTheNextFiringMakesAFreshWindow)
{
    alarm->PrepareWavePlayer();
    openPeriod();
    passMinutes(5);
    QPointer<TMsgAlarm> first = alarm->MsgAlarm;
    Child<QPushButton>(*first, "btClose")->click();
    EXPECT_FALSE(alarm->AlarmWindowOpen());
    flushDeletes();
    EXPECT_TRUE(first.isNull());

    passMinutes(5);
    ASSERT_TRUE(alarm->AlarmWindowOpen());
    EXPECT_EQ(alarm->MsgAlarm->alarmIconFrame(), 0);
    EXPECT_EQ(shownText(), QStringLiteral("Elapsed time: 10 minutes.\n2 warning(s)"));
    EXPECT_EQ(messageWindowCount(), 1);
}

TEST_F(AlarmTest, ClosingThePeriodLeavesTheWindowAndReconnectingCountsFromZero)
{
    alarm->PrepareWavePlayer();
    openPeriod();
    passMinutes(12);
    EXPECT_EQ(state.AlarmWarningCount, 2);
    closePeriod();
    EXPECT_TRUE(alarm->AlarmWindowOpen());
    passMinutes(20); // offline: nothing ticks
    EXPECT_EQ(state.AlarmWarningCount, 2);

    openPeriod();
    EXPECT_EQ(state.AlarmElapsedMinutes, 0);
    passMinutes(5);
    EXPECT_EQ(shownText(), QStringLiteral("Elapsed time: 5 minutes.\n1 warning(s)"));
}

TEST_F(AlarmTest, ZeroMinutesGiveTheCueButNeverFire)
{
    state.AppSettings.Interval = 0;
    alarm->PrepareWavePlayer();
    openPeriod();
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_TRUE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 0);
    passMinutes(600);
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_FALSE(alarm->AlarmWindowOpen());
}

TEST_F(AlarmTest, BoxOffSoundsOnlyAndNoSoundNoBoxStillCounts)
{
    state.AppSettings.Box = false;
    alarm->PrepareWavePlayer();
    openPeriod();
    passMinutes(5);
    EXPECT_EQ(beeper.beeps, 2);
    EXPECT_FALSE(alarm->AlarmWindowOpen());

    state.AppSettings.Sound = 0;
    passMinutes(5);
    EXPECT_EQ(beeper.beeps, 2);
    EXPECT_EQ(wave.playCalls, 0);
    EXPECT_FALSE(alarm->AlarmWindowOpen());
    EXPECT_EQ(state.AlarmElapsedMinutes, 10);
    EXPECT_EQ(state.AlarmWarningCount, 2);
}

TEST_F(AlarmTest, ArmingInTheMiddleOfAPeriodStartsCountingThere)
{
    state.AppSettings.Alarm = false;
    alarm->PrepareWavePlayer();
    openPeriod();
    EXPECT_EQ(beeper.beeps, 0); // disarmed: no cue
    passMinutes(15);
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_FALSE(alarm->AlarmWindowOpen());

    state.AppSettings.Alarm = true;
    passMinutes(5);
    EXPECT_EQ(shownText(), QStringLiteral("Elapsed time: 5 minutes.\n1 warning(s)"));
}

TEST_F(AlarmTest, AWavePlayerThatCannotPlayDisturbsNothing)
{
    state.AppSettings.Sound = 2;
    state.AppSettings.Set = 0;
    state.AppSettings.Wave = QStringLiteral("/nonexistent/ring.wav");
    alarm->PrepareWavePlayer(); // "Sound File not found.": the player stays closed
    ASSERT_FALSE(wave.isOpen());
    openPeriod();
    EXPECT_EQ(wave.playCalls, 1);
    passMinutes(5);
    EXPECT_EQ(wave.playCalls, 2);
    EXPECT_EQ(wave.played, 0);
    EXPECT_EQ(state.AlarmWarningCount, 1);
    EXPECT_TRUE(alarm->AlarmWindowOpen());
    EXPECT_FALSE(state.AppSettings.Alarm);
    EXPECT_FALSE(alarm->AlarmBusy);

    // An open player on a machine without sound output: the same.
    state.AppSettings.Alarm = true;
    state.AppSettings.Set = 1;
    wave.open(nullptr);
    wave.audioDevice = false;
    passMinutes(5);
    EXPECT_EQ(wave.played, 0);
    EXPECT_EQ(state.AlarmWarningCount, 2);
}

class ThrowingWavePlayer final : public RecordingWavePlayer {
public:
    bool play() override
    {
        RecordingWavePlayer::play();
        throw VantrelError(QStringLiteral("the sound device went away"));
    }
};

TEST_F(AlarmTest, AFailingSoundStillShowsTheWindowDisarmsAndReleasesTheGuard)
{
    openPeriod();
    ThrowingWavePlayer broken;
    platform.wave = &broken;
    state.AppSettings.Sound = 2;
    state.AppSettings.Set = 0;
    // The failure goes on to the general error report once the tick is complete.
    try {
        VantrelAlarm.fire();
        FAIL() << "the failure was swallowed";
    } catch (const VantrelError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("the sound device went away"));
    }
    EXPECT_FALSE(alarm->AlarmBusy);
    EXPECT_EQ(state.AlarmWarningCount, 1);
    EXPECT_TRUE(alarm->AlarmWindowOpen());
    EXPECT_FALSE(state.AppSettings.Alarm);
    platform.wave = &wave;
}

TEST_F(AlarmTest, ATickEnteredAgainDoesNothing)
{
    openPeriod();
    alarm->AlarmBusy = true;
    VantrelAlarm.fire();
    EXPECT_EQ(state.AlarmWarningCount, 0);
    EXPECT_EQ(beeper.beeps, 1);
    EXPECT_TRUE(alarm->AlarmBusy);
}

TEST_F(AlarmTest, AnEmptyTemplateShowsNoWindow)
{
    state.AppSettings.Message.clear();
    openPeriod();
    VantrelAlarm.fire();
    EXPECT_EQ(state.AlarmWarningCount, 1);
    EXPECT_FALSE(alarm->AlarmWindowOpen());
}

TEST_F(AlarmTest, SetAlarmPeriodRestartsOnlyARunningTimer)
{
    alarm->PrepareWavePlayer();
    state.AppSettings.Interval = 7;
    alarm->SetAlarmPeriod();
    EXPECT_FALSE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 7 * 60000);

    openPeriod();
    state.AppSettings.Interval = 50000;
    alarm->SetAlarmPeriod();
    EXPECT_TRUE(VantrelAlarm.isActive());
    EXPECT_EQ(VantrelAlarm.interval(), 3000000000LL);

    // The counters are not corrected: the next tick adds the new period.
    state.AlarmElapsedMinutes = 14;
    state.AppSettings.Interval = 3;
    alarm->SetAlarmPeriod();
    VantrelAlarm.fire();
    EXPECT_EQ(state.AlarmElapsedMinutes, 17);
}

TEST_F(AlarmTest, CountersStopAtTheTopInsteadOfWrapping)
{
    state.AppSettings.Interval = std::numeric_limits<std::int32_t>::max();
    openPeriod();
    VantrelAlarm.fire();
    VantrelAlarm.fire();
    EXPECT_EQ(state.AlarmElapsedMinutes, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(state.AlarmWarningCount, 2);
}

TEST_F(AlarmTest, TheMessageWindowStartsWithTheApplicationIcon)
{
    openPeriod();
    VantrelAlarm.fire();
    ASSERT_TRUE(alarm->AlarmWindowOpen());
    const QPixmap shown = Child<QLabel>(*alarm->MsgAlarm, "Icona")->pixmap();
    EXPECT_EQ(shown.toImage(), appIcon.toImage());
}

} // namespace
} // namespace vantrel::test
