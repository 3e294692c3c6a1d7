// SPDX-License-Identifier: GPL-3.0-or-later
// The dial run against the simulated line: which entries are dialled in which
// order, the pauses, how the run is steered and how it ends.
#include "dialerfixture.h"

#include <QApplication>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <climits>

namespace vantrel::test {
namespace {

class DialRun : public DialerFixture {};

QStringList repeat(const QStringList &pattern, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i)
        out += pattern;
    return out;
}

TEST_F(DialRun, SequencesOfEntriesAttemptsAndPauses)
{
    struct Case {
        const char *name;
        QString rasCnx, cycled;
        QStringList cycle;
        int redial, wait;
        int abortAt; // dial during whose result Abort is pressed; 0: none
        QStringList dialled;
        int boxes;
    };
    const QStringList b123{"B1", "B2", "B3"};
    const QList<Case> cases{
        {"busy line, Redial 3, Wait 10", "1,B1", {}, {}, 3, 10, 7, repeat({"B1"}, 7), 0},
        {"Redial 0: one attempt per entry", "Multiple selections", "2", {"B1", "B2"}, 0, 0, 4, repeat({"B1", "B2"}, 2), 0},
        {"cycle of three, Redial 2",
         "Multiple selections",
         "3",
         b123,
         2,
         5,
         8,
         {"B1", "B1", "B2", "B2", "B3", "B3", "B1", "B1"},
         0},
        {"connected at the second attempt of the second entry",
         "Multiple selections",
         "3",
         {"B1", "Second", "B3"},
         2,
         1,
         0,
         {"B1", "B1", "Second", "Second"},
         0},
        {"row, comma and name", "4,Online", {}, {}, 1, 0, 0, {"Online"}, 0},
        {"a name without a comma", "Online", {}, {}, 1, 0, 0, {"Online"}, 0},
        {"Multiple selections without a cycle ends after one box", "Multiple selections", {}, {}, 3, 0, 0, {}, 1},
        {"a Cycled that is no number 2 to 8 is no cycle", "4,Online", "9", b123, 1, 0, 0, {"Online"}, 0},
        {"an unreadable entry is left out of the run",
         "Multiple selections",
         "3",
         {"B1", "Gone", "B3"},
         1,
         0,
         4,
         {"B1", "B3", "B1", "B3"},
         1},
        {"a run of unreadable entries ends", "Multiple selections", "2", {"Gone", "Lost"}, 1, 0, 0, {}, 2},
        // "limit + 1" at the largest Redial must still be past the limit.
        {"the largest Redial: a connection ends the run", "4,Online", {}, {}, INT_MAX, 0, 0, {"Online"}, 0},
        {"the largest Redial: Abort ends the run", "1,B1", {}, {}, INT_MAX, 0, 2, {"B1", "B1"}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();

        start(c.rasCnx, c.cycled, c.cycle, c.redial, c.wait);
        abortAtDial(c.abortAt);
        connectAndSettle();

        EXPECT_EQ(recorder->dialledEntries(), c.dialled);
        EXPECT_EQ(boxes.shown.size(), c.boxes);
        // Every attempt is followed by the run's pause, the last one included.
        if (c.wait > 0) {
            EXPECT_EQ(pausesOf(c.wait * 1000), c.dialled.size());
        }
        EXPECT_FALSE(dialer->busy());
        EXPECT_TRUE(!fmConnect() || !fmConnect()->isVisible());
    }
}

TEST_F(DialRun, ConnectionEndsTheRunAndThePollSeesIt)
{
    start(QStringLiteral("4,Online"), {}, {}, 3, 2);
    connectAndSettle();
    EXPECT_EQ(recorder->dialledEntries(), QStringList{"Online"});
    EXPECT_EQ(actingPause.pauses, (QList<qint64>{Dialer::kResultPause, 2000}));
    EXPECT_EQ(statusLine(), QStringLiteral("Connected"));
    EXPECT_EQ(state.CurrentEntry, QStringLiteral("Online"));
    tick();
    EXPECT_EQ(fm->addressText(), QStringLiteral("10.64.3.17"));
    EXPECT_EQ(item("Connect1")->text(), monitor_text::kDisconnect);
}

TEST_F(DialRun, SkipInEitherWindowAtTheLastEntry)
{
    struct Case {
        const char *name;
        bool ask;
        QList<int> prompt;   // answers of the prompt, in order (Ask on)
        bool skipInProgress; // Skip in the progress window at the first B3 attempt
        QStringList dialled;
    };
    const QList<Case> cases{
        {"progress window: on with the first entry", false, {}, true, {"B1", "B1", "B2", "B2", "B3", "B1", "B1"}},
        {"prompt at the last entry: the run ends",
         true,
         {PromptOK, PromptOK, PromptCancel},
         false,
         {"B1", "B1", "B2", "B2"}},
        {"prompt at the first entry: on with the next; Abort ends",
         true,
         {PromptCancel, PromptOK, PromptAbort},
         false,
         {"B2", "B2"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        start(QStringLiteral("Multiple selections"), QStringLiteral("3"), {"B1", "B2", "B3"}, 2, 0, c.ask);
        answerPrompts(c.prompt);
        actingPause.during = [&](int ms) {
            const int n = int(recorder->dials.size());
            if (ms != Dialer::kResultPause)
                return;
            if (c.skipInProgress && n == 5)
                btSkip()->click();
            if (n == 7)
                btAbort()->click();
        };
        connectAndSettle();
        EXPECT_EQ(recorder->dialledEntries(), c.dialled);
        EXPECT_EQ(promptsShown.size(), c.prompt.size());
    }
}

TEST_F(DialRun, CredentialsPromptButtons)
{
    struct Case {
        const char *name;
        QList<int> answers;
        bool dialled; // with what was typed
    };
    const QList<Case> cases{
        {"OK dials with what was typed", {PromptOK}, true},
        {"Skip with one entry ends the run", {PromptCancel}, false},
        {"Abort ends the run", {PromptAbort}, false},
        {"closed another way: asked again", {kClosed, PromptOK}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        start(QStringLiteral("6,Asked"), {}, {}, 1, 0, true);
        answerPrompts(c.answers);
        connectAndSettle();
        EXPECT_EQ(promptsShown, QStringList(c.answers.size(), QStringLiteral("guest")));
        ASSERT_EQ(recorder->dials.size(), c.dialled ? 1 : 0);
        if (c.dialled) {
            EXPECT_EQ(recorder->dials.first().userName, QStringLiteral("ann"));
            EXPECT_EQ(recorder->dials.first().password, QStringLiteral("typed-secret"));
        } else {
            EXPECT_EQ(dialer->PromptUserName(), QStringLiteral("guest")); // what the prompt was given
        }
        // The password is kept nowhere once the dial has it.
        EXPECT_TRUE(dialer->PromptPassword().isEmpty());
        EXPECT_EQ(dialer->dialParams().szPassword[0], '\0');
    }
}

TEST_F(DialRun, HangUpAndAFailedHangUp)
{
    start(QStringLiteral("4,Online"));
    connectAndSettle();
    tick();
    ASSERT_EQ(item("Connect1")->text(), monitor_text::kDisconnect);
    actingPause.pauses.clear();

    connectAndSettle();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(actingPause.pauses, (QList<qint64>{Dialer::kHangUpPause, Dialer::kHangUpPause}));
    EXPECT_EQ(statusLine(), dialer_text::kDisconnected);
    EXPECT_FALSE(fmConnect()->isVisible());
    tick();
    EXPECT_EQ(fm->addressText(), monitor_text::kNetworkDown);

    // A connection the program did not dial (brought up from outside, or
    // before a restart): the one the tip shows is hung up, the same way.
    BringLineUp(*line, QStringLiteral("Second"));
    tick();
    dialer->forgetConnection();
    actingPause.pauses.clear();
    connectAndSettle();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(actingPause.pauses, (QList<qint64>{Dialer::kHangUpPause, Dialer::kHangUpPause}));
    tick();
    EXPECT_EQ(fm->addressText(), monitor_text::kNetworkDown);

    // Gone by itself between the tick and the click: the failed hang-up says
    // so, and the window still closes.
    BringLineUp(*line, QStringLiteral("Second"));
    tick();
    QList<RasLiveConnection> up;
    line->connections(&up);
    ASSERT_EQ(up.size(), 1);
    line->hangUp(up.first().handle);
    actingPause.pauses.clear();
    connectAndSettle();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, QString::fromUtf8(RasErrorText(ERROR_INVALID_HANDLE)));
    EXPECT_EQ(actingPause.pauses, (QList<qint64>{Dialer::kHangUpPause}));
    EXPECT_EQ(statusLine(), dialer_text::kDisconnected);
    EXPECT_FALSE(fmConnect()->isVisible());
}

TEST_F(DialRun, ConnectDuringTheRunBringsUpAbortWhichEndsEvenALongPause)
{
    struct Case {
        const char *name;
        bool closedByItsCloseBox; // during the dial's result
    };
    for (const Case &c : {Case{"hidden during the run's pause", false}, Case{"closed by its close box", true}}) {
        SCOPED_TRACE(c.name);
        nextCase();
        start(QStringLiteral("1,B1"), {}, {}, 3, 9999);
        bool shownWithAbort = false;
        actingPause.during = [&](qint64 ms) {
            if (c.closedByItsCloseBox && ms == Dialer::kResultPause)
                fmConnect()->close();
            if (ms != Dialer::kResultPause || recorder->dials.size() != 1)
                return;
            // The moment after the result: the window hides and the pause of
            // 9999 s begins. Connect then starts no second run.
            QTimer::singleShot(0, fm.get(), [&] {
                EXPECT_FALSE(fmConnect()->isVisible());
                fm->Connect1Click();
                shownWithAbort = fmConnect()->isVisible() && btAbort()->isEnabled();
                btAbort()->click();
            });
        };
        connectAndSettle();
        EXPECT_TRUE(shownWithAbort);
        EXPECT_EQ(recorder->dials.size(), 1);
        EXPECT_FALSE(fmConnect()->isVisible());
        EXPECT_LT(actingPause.now(), 9999000); // the pause did not have to run out
    }
}

TEST_F(DialRun, AConnectionMadeElsewhereEndsTheRun)
{
    struct Case {
        const char *name;
        QString cycled;
        QStringList cycle;
        const char *upBeforeRun;   // entry brought up before Connect, or null
        const char *upDuringPause; // entry brought up during the first pause, or null
        QStringList dialled;
    };
    const QList<Case> cases{
        {"the entry is up before the run: nothing is dialled", {}, {}, "B1", nullptr, {}},
        {"the entry comes up between attempts", {}, {}, nullptr, "B1", {"B1"}},
        {"another entry of the cycle comes up", "2", {"B1", "B2"}, nullptr, "B2", {"B1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        start(c.cycled.isEmpty() ? QStringLiteral("1,B1") : QStringLiteral("Multiple selections"), c.cycled, c.cycle, 3, 5);
        if (c.upBeforeRun)
            BringLineUp(*line, QString::fromUtf8(c.upBeforeRun));
        actingPause.during = [&](qint64 ms) {
            if (ms == 5000 && c.upDuringPause && recorder->dials.size() == 1)
                BringLineUp(*line, QString::fromUtf8(c.upDuringPause));
        };
        connectAndSettle();
        EXPECT_EQ(recorder->dialledEntries(), c.dialled);
        EXPECT_TRUE(boxes.shown.isEmpty());
    }
}

TEST_F(DialRun, AFailureOfTheWholeLineGivesOneTrueBoxAndEndsTheRun)
{
    struct Case {
        const char *name;
        QString spoilt; // made a folder
        int dialerBoxes;
        QString lineReport; // how the line's own report begins
    };
    const QString config = home.configDir() + QStringLiteral("/vantrel");
    const QString runtime = home.path() + QStringLiteral("/runtime/vantrel");
    const QList<Case> cases{
        {"phonebook unreadable, cycle of seven", config + QStringLiteral("/phonebook.ini"), 1,
         QStringLiteral("Cannot read the phonebook")},
        {"line state unusable", runtime + QStringLiteral("/lines"), 0, QStringLiteral("The simulated line cannot dial")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        lineReports.clear();
        QFile::remove(c.spoilt);
        ASSERT_TRUE(QDir().mkpath(c.spoilt));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        start(QStringLiteral("Multiple selections"), QStringLiteral("7"), {"B1", "B2", "B3", "B1", "B2", "B3", "B1"}, 3, 0);
        connectAndSettle();
        EXPECT_EQ(boxes.shown.size(), c.dialerBoxes);
        ASSERT_EQ(lineReports.size(), 1) << lineReports.join(QStringLiteral(" // ")).toStdString();
        EXPECT_TRUE(lineReports.first().startsWith(c.lineReport)) << lineReports.first().toStdString();
        EXPECT_LE(recorder->dials.size(), 1);
        QDir(c.spoilt).removeRecursively();
        writePhonebook();
    }
}

// A window opened from the tray before the dial (details) is modal; the run's
// window still takes a click as the platform delivers it, and the run ends.
TEST_F(DialRun, AbortActsUnderAModalWindowOpenedBeforeTheDial)
{
    QPointer<QDialog> details;
    detailsWindow = [&](TfmVantrel &) -> QDialog * { return details = new QDialog; };
    start(QStringLiteral("1,B1"), {}, {}, 3, 5);
    fm->Open1Click();
    ASSERT_TRUE(details && details->isVisible());
    QApplication::setActiveWindow(details);
    fm->Connect1Click();
    ASSERT_TRUE(settle([this] { return recorder->dials.size() == 1; }));
    QPushButton *abort = btAbort();
    ASSERT_TRUE(abort->isEnabled());
    QTest::mouseClick(abort->window()->windowHandle(), Qt::LeftButton, {},
                      abort->mapTo(abort->window(), abort->rect().center()));
    EXPECT_FALSE(abort->isEnabled()) << "pressed";
    settle();
    EXPECT_EQ(recorder->dials.size(), 1);
    EXPECT_FALSE(dialer->busy());
    EXPECT_TRUE(details && details->isVisible());
    details->reject();
}

TEST_F(DialRun, StatusTexts)
{
    RasApi &api = *platform.ras;
    EXPECT_EQ(RasStatusText(api, RASCS_Connected, 0), QStringLiteral("Connected"));
    EXPECT_EQ(RasStatusText(api, 0x3000, 0), QString());
    EXPECT_EQ(RasStatusText(api, RASCS_Connected, ERROR_LINE_BUSY), QString::fromUtf8(RasErrorText(ERROR_LINE_BUSY)));
}

// --- steering with the in-memory service, where the test decides when a dial reports ---

class DialSteering : public DialerFixture {
protected:
    DialSteering() { platform.ras = &ras; }
};

TEST_F(DialSteering, ADialThatFailsToStartEndsItsAttempt)
{
    rasService.addEntry(QStringLiteral("A"));
    FakeRasService::DialAnswer refused;
    refused.startError = ERROR_PORT_NOT_AVAILABLE;
    rasService.queueDialAnswer(refused);
    rasService.queueDialAnswer(refused);
    start(QStringLiteral("1,A"), {}, {}, 2, 1);
    int failedStarts = 0;
    actingPause.during = [&](qint64 ms) {
        // The window shows during the pause before the box: Abort there.
        if (ms == Dialer::kFailedStartPause && ++failedStarts == 2)
            btAbort()->click();
    };
    connectAndSettle();
    EXPECT_EQ(rasService.dialCalls().size(), 2);
    EXPECT_EQ(actingPause.pauses,
              (QList<qint64>{Dialer::kFailedStartPause, 1000, Dialer::kFailedStartPause, Dialer::kButtonPause, 1000}));
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown.first().text, QString::fromUtf8(RasErrorText(ERROR_PORT_NOT_AVAILABLE)));
}

TEST_F(DialSteering, ExitEndsTheRunAndHangsUpOnlyADialInProgress)
{
    struct Case {
        const char *name;
        bool connected; // Exit while "Connected" shows, else while the dial goes on
        int hangUps;
    };
    for (const Case &c : {Case{"dial in progress", false, 1}, Case{"connected", true, 0}}) {
        SCOPED_TRACE(c.name);
        nextCase();
        FakeRasService service;
        RasApi api(service);
        platform.ras = &api;
        service.addEntry(QStringLiteral("A"));
        service.queueDialAnswer(c.connected
                                    ? FakeRasService::connectAnswer()
                                    : FakeRasService::DialAnswer{0, {{RASCS_OpenPort}}, FakeRasService::Delivery::Manual});
        start(QStringLiteral("1,A"), {}, {}, 3, 5);
        actingPause.pauses.clear();
        if (c.connected) {
            actingPause.during = [this](int ms) {
                if (ms == Dialer::kResultPause)
                    fm->close();
            };
        } else {
            QTimer::singleShot(0, fm.get(), [this] { fm->close(); });
        }
        connectAndSettle();
        EXPECT_TRUE(fm->isShutDown());
        EXPECT_EQ(service.dialCalls().size(), 1);
        EXPECT_EQ(service.hangUpCalls().size(), c.hangUps);
        EXPECT_FALSE(actingPause.pauses.contains(5000)); // no pause after the program ended
        platform.ras = lineApi.get();
    }
}

// Exit while a box of the run is up, Abort while Skip waits for the line to
// go, and "&Disconnect" while the run waits out its pause after connecting:
// each acts at once.
TEST_F(DialSteering, ExitAbortAndDisconnectActAtOnceInEveryPhase)
{
    {
        SCOPED_TRACE("Exit while the run's box is up");
        rasService.addEntry(QStringLiteral("A"));
        rasService.entryDialParamsError = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        boxes.hold = true;
        start(QStringLiteral("Multiple selections"), QStringLiteral("2"), {"A", "A"}, 1, 0);
        fm->Connect1Click();
        ASSERT_EQ(boxes.openCount(), 1);
        fm->close();
        EXPECT_EQ(boxes.closedUnanswered, 1);
        EXPECT_FALSE(dialer->busy());
        EXPECT_TRUE(rasService.dialCalls().isEmpty());
        boxes.hold = false;
        rasService.entryDialParamsError = 0;
    }
    {
        SCOPED_TRACE("Abort while Skip waits for the line to go");
        nextCase();
        rasService.addEntry(QStringLiteral("B"));
        rasService.statusCallsBeforeGone = 100000;
        rasService.queueDialAnswer({0, {{RASCS_OpenPort}}, FakeRasService::Delivery::Manual});
        rasService.queueDialAnswer(FakeRasService::connectAnswer());
        start(QStringLiteral("Multiple selections"), QStringLiteral("2"), {"A", "B"}, 3, 0);
        QTimer::singleShot(0, fm.get(), [this] {
            btSkip()->click();
            rasService.deliverExtra(RASCS_OpenPort, ERROR_USER_DISCONNECTION);
        });
        actingPause.during = [this](qint64 ms) {
            if (ms == Dialer::kSkipPollPause && btAbort()->isEnabled())
                btAbort()->click();
        };
        connectAndSettle();
        EXPECT_EQ(rasService.dialCalls().size(), 1) << "B was dialled after Abort";
        EXPECT_TRUE(boxes.shown.isEmpty());
        rasService.statusCallsBeforeGone = 0;
    }
    {
        SCOPED_TRACE("Disconnect during the pause after connecting");
        nextCase();
        const qsizetype hangUpsBefore = rasService.hangUpCalls().size();
        start(QStringLiteral("1,A"), {}, {}, 1, 100);
        actingPause.during = [this](qint64 ms) {
            if (ms != 100000)
                return;
            tick();
            ASSERT_EQ(item("Connect1")->text(), monitor_text::kDisconnect);
            fm->Connect1Click();
        };
        connectAndSettle();
        EXPECT_EQ(rasService.hangUpCalls().size(), hangUpsBefore + 1);
        EXPECT_EQ(pausesOf(Dialer::kHangUpPause), 2);
        tick();
        EXPECT_EQ(fm->addressText(), monitor_text::kNetworkDown);
    }
}

TEST_F(DialSteering, SkipWaitsForTheLineToGoButNotForEver)
{
    rasService.addEntry(QStringLiteral("A"));
    rasService.addEntry(QStringLiteral("B"));
    rasService.statusCallsBeforeGone = 100000;
    rasService.queueDialAnswer({0, {{RASCS_OpenPort}}, FakeRasService::Delivery::Manual});
    rasService.queueDialAnswer(FakeRasService::connectAnswer());
    start(QStringLiteral("Multiple selections"), QStringLiteral("2"), {"A", "B"}, 3, 0);
    QTimer::singleShot(0, fm.get(), [this] {
        ASSERT_TRUE(btSkip()->isEnabled());
        btSkip()->click();
        rasService.deliverExtra(RASCS_OpenPort, ERROR_USER_DISCONNECTION);
    });
    connectAndSettle();

    EXPECT_EQ(pausesOf(Dialer::kSkipPollPause), Dialer::kSkipPolls);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, dialer_text::kLineNotGone);
    const auto dials = rasService.dialCalls();
    ASSERT_EQ(dials.size(), 2);
    EXPECT_EQ(dials.at(1).entry, QStringLiteral("B")); // A got no further attempt
}

} // namespace
} // namespace vantrel::test
