// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer: the header lines and the caption, each line's encoding, a
// long line, a log that is gone or is no regular file or too large, Clear
// answered Yes and No, or impossible, and the viewer closed while its own
// question is up.
#include "support/child.h"
#include "support/testenv.h"

#include "monitor/appstate.h"
#include "monitor/connectionlog.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "support/fixedclock.h"
#include "support/recordingmessageboxes.h"
#include "ui/windows/fmlog.h"
#include "ui/windows/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::test {
namespace {

class FmLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.ProgramFolder = programDir.path();
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    }
    void TearDown() override
    {
        delete window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        qputenv("XDG_DATA_HOME", m_oldDataHome);
    }

    QString logPath() const { return programDir.path() + QStringLiteral("/Vantrel.log"); }
    void writeLog(const QByteArray &bytes)
    {
        QFile f(logPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    TfmLog &open()
    {
        window = new TfmLog(state, boxes);
        window->show();
        return *window;
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const auto &shown : boxes.shown)
            texts.append(shown.title + QStringLiteral(": ") + shown.text);
        return texts;
    }

    ScopedHome home;
    QTemporaryDir programDir;
    AppState state;
    RecordingMessageBoxes boxes;
    QPointer<TfmLog> window;

private:
    QByteArray m_oldDataHome;
};

const QByteArray kHeader = "@(#)>> Vantrel Log File created at: 06-19-2024 22h 05m 09s\r\n"
                           "@(#)>> Please, do not edit.\r\n";

TEST_F(FmLogTest, HeaderLinesBecomeTheCaptionAndAreHidden)
{
    struct Row {
        const char *what;
        QByteArray file;
        QString caption, text;
    };
    const Row rows[] = {
        {"header and events",
         kHeader
             + "[06-19-2024 22h 05m 09s](Morvent): Connected.\r\n"
               "[06-19-2024 23h 00m 00s](Morvent): Disconnected.\r\n",
         QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"),
         QStringLiteral("[06-19-2024 22h 05m 09s](Morvent): Connected.\n"
                        "[06-19-2024 23h 00m 00s](Morvent): Disconnected.")},
        {"only the header", kHeader, QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"), QString()},
        {"short first line", "@(#)\r\nsecond\r\nthird\r\n", QString(), QStringLiteral("third")},
        {"one line, no line end", "@(#)>>x", QStringLiteral("x"), QString()},
        {"UTF-8 entry name", kHeader + "[06-19-2024 22h 05m 09s](Caf\xc3\xa9 \xe2\x82\xac): Connected.\r\n",
         QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"),
         QStringLiteral("[06-19-2024 22h 05m 09s](Caf\u00e9 \u20ac): Connected.")},
        {"older Latin-1 log", kHeader + "[06-19-2024 22h 05m 09s](Caf\xe9): Connected.\r\n",
         QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"),
         QStringLiteral("[06-19-2024 22h 05m 09s](Caf\u00e9): Connected.")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        writeLog(row.file);
        TfmLog &w = open();
        EXPECT_EQ(w.windowTitle(), row.caption);
        EXPECT_EQ(Child<TLogLines>(w, "LogMemo")->text(), row.text);
        Child<QPushButton>(w, "btClose")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(QFile(logPath()).size(), row.file.size()); // never written
    }
}

TEST_F(FmLogTest, EachLineIsDecodedOnItsOwn)
{
    // UTF-8 as written; a line that is not (an older Latin-1 log, a line a kill
    // cut inside a character) is Latin-1, and changes no other line.
    const QByteArray at = "[06-19-2024 22h 05m 09s](";
    // A line that ends where a character of the next one is split between two
    // of the pieces the file is read in (1 MiB).
    const QByteArray filler = QByteArray((1 << 20) - kHeader.size() - 1 - at.size() - 1, 'x') + "\n";
    const struct {
        const char *what;
        QByteArray file;
        QString text;
    } rows[] = {
        {"a line torn inside a character among UTF-8 ones",
         kHeader + at + "M\xc3\xbcller DSL): Connected.\r\n" + at + "M\xc3\r\n" + at
             + "M\xc3\xbcller DSL): Disconnected.\r\n",
         QStringLiteral("[06-19-2024 22h 05m 09s](M\u00fcller DSL): Connected.\n[06-19-2024 22h 05m 09s](M\u00c3\n"
                        "[06-19-2024 22h 05m 09s](M\u00fcller DSL): Disconnected.")},
        {"a Latin-1 line and a UTF-8 line", kHeader + at + "Caf\xe9)\r\n" + at + "Caf\xc3\xa9)\r\n",
         QStringLiteral("[06-19-2024 22h 05m 09s](Caf\u00e9)\n[06-19-2024 22h 05m 09s](Caf\u00e9)")},
        {"a last line torn inside a character, with no line end", kHeader + at + "\xc3\xbc)\r\n" + at + "\xe2\x82",
         QStringLiteral("[06-19-2024 22h 05m 09s](\u00fc)\n[06-19-2024 22h 05m 09s](\u00e2\u0082")},
        {"a character split between two pieces of the file", kHeader + filler + at + "\xc3\xbc)\n",
         QString::fromLatin1(filler.chopped(1)) + QStringLiteral("\n[06-19-2024 22h 05m 09s](\u00fc)")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        writeLog(row.file);
        EXPECT_EQ(Child<TLogLines>(open(), "LogMemo")->text(), row.text);
        delete window;
    }
}

TEST_F(FmLogTest, ALongLineIsShownCutWithAnEllipsisAndCopiedWhole)
{
    const QByteArray line = "[06-19-2024 22h 05m 09s](" + QByteArray(100000, 'x') + "): Connected.";
    writeLog(kHeader + line + "\r\n[06-19-2024 23h 00m 00s](y): Disconnected.\r\n");
    TfmLog &w = open();
    EXPECT_EQ(Child<TLogLines>(w, "LogMemo")->model()->index(0, 0).data().toString(),
              QString::fromLatin1(line.left(kShownLineChars)) + QChar(0x2026));
    Child<TLogLines>(w, "LogMemo")->selectAll();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier); // copies whole lines
    QApplication::sendEvent(Child<TLogLines>(w, "LogMemo"), &copy);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString::fromLatin1(line) + QStringLiteral("\n[06-19-2024 23h 00m 00s](y): Disconnected."));
}

TEST_F(FmLogTest, AnInstalledProgramShowsTheLogOfTheStateFolder)
{
    writeLog(kHeader + "[06-19-2024 22h 05m 09s](beside): Connected.\r\n");
    state.InstalledProgram = true;
    WriteLogEvent(state.ProgramFolder, QStringLiteral("installed"), LogConnected,
                  FixedClock(QDateTime(QDate(2024, 6, 19), QTime(22, 5, 9))), true);
    EXPECT_EQ(Child<TLogLines>(open(), "LogMemo")->text(),
              QStringLiteral("[06-19-2024 22h 05m 09s](installed): Connected."));
}

// The text is no tab stop, so a keyboard user reads it from the buttons: the
// page keys, the arrows, Home and End (with Ctrl: the first and last lines)
// scroll it, and the focus stays on the button.
TEST_F(FmLogTest, TheReadingKeysScrollTheLogWhileTheFocusStaysOnAButton)
{
    writeLog(kHeader + QByteArray("[06-19-2024 22h 05m 09s](" + QByteArray(200, 'M') + "): Connected.\r\n").repeated(300));
    TfmLog &w = open();
    Child<QPushButton>(w, "btClear")->setFocus();
    QCoreApplication::processEvents();
    TLogLines *memo = Child<TLogLines>(w, "LogMemo");
    const QScrollBar &lines = *memo->verticalScrollBar(), &columns = *memo->horizontalScrollBar();
    ASSERT_GT(lines.maximum(), 2 * lines.pageStep());
    ASSERT_GT(columns.maximum(), columns.pageStep());
    const int page = lines.pageStep(), step = lines.singleStep(), end = lines.maximum(), right = columns.maximum();
    // Key, modifiers, where the bars stand afterwards (-1: a few characters right).
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int, int> steps[] = {{Qt::Key_PageDown, {}, page, 0},
                                                                          {Qt::Key_Down, {}, page + step, 0},
                                                                          {Qt::Key_Up, {}, page, 0},
                                                                          {Qt::Key_PageUp, {}, 0, 0},
                                                                          {Qt::Key_End, Qt::ControlModifier, end, 0},
                                                                          {Qt::Key_Right, {}, end, -1},
                                                                          {Qt::Key_Left, {}, end, 0},
                                                                          {Qt::Key_End, {}, end, right},
                                                                          {Qt::Key_Home, {}, end, 0},
                                                                          {Qt::Key_Home, Qt::ControlModifier, 0, 0}};
    for (const auto &[key, modifiers, line, column] : steps) {
        SCOPED_TRACE(QKeySequence(key | modifiers).toString().toStdString());
        QTest::keyClick(Child<QPushButton>(w, "btClear"), key, modifiers);
        EXPECT_EQ(lines.value(), line);
        if (column < 0)
            EXPECT_TRUE(columns.value() > 0 && columns.value() < columns.pageStep()) << columns.value();
        else
            EXPECT_EQ(columns.value(), column);
        EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>(w, "btClear"));
    }
    // Tab still goes from button to button.
    QTest::keyClick(Child<QPushButton>(w, "btClear"), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>(w, "btClose"));
}

TEST_F(FmLogTest, RefreshOfAVanishedLogReportsItAndKeepsTheCaption)
{
    writeLog(kHeader + "[06-19-2024 22h 05m 09s](): Connected.\r\n");
    TfmLog &w = open();
    const QString caption = w.windowTitle();
    ASSERT_TRUE(QFile::remove(logPath()));
    try {
        w.btRefreshClick();
        ADD_FAILURE() << "no error for a missing log";
    } catch (const VantrelError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("Cannot open file ") + logPath());
    }
    EXPECT_EQ(Child<TLogLines>(w, "LogMemo")->text(), QString());
    EXPECT_EQ(w.windowTitle(), caption);
}

TEST_F(FmLogTest, ClearAsksThenMovesTheLogToTheTrashOrKeepsIt)
{
    const QByteArray content = kHeader + "[06-19-2024 22h 05m 09s](): Connected.\r\n";
    const QString confirm = QStringLiteral("Vantrel Confirm Request:    Are you sure?   ");
    const QString trashed = home.path() + QStringLiteral("/data/Trash/files/Vantrel.log");
    struct Row {
        const char *what;
        MessageBoxes::Answer answer;
        bool trashPossible;
        QStringList boxes;
        bool windowStays, logStays;
    };
    const Row rows[] = {
        {"No", MessageBoxes::Answer::No, true, {confirm}, true, true},
        {"Yes",
         MessageBoxes::Answer::Yes,
         true,
         {confirm, QStringLiteral("Vantrel Message: Log file deleted.")},
         false,
         false},
        {"Yes, no trash possible",
         MessageBoxes::Answer::Yes,
         false,
         {confirm, QStringLiteral("Vantrel Message: Clear Failed.")},
         false,
         true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        QDir(home.path() + QStringLiteral("/data")).removeRecursively();
        if (!row.trashPossible) {
            // A file where the trash folder would have to be made.
            QFile blocker(home.path() + QStringLiteral("/data"));
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        } else {
            QDir().mkpath(home.path() + QStringLiteral("/data"));
        }
        writeLog(content);
        boxes.shown.clear();
        boxes.setNextAnswer(row.answer);
        TfmLog &w = open();
        Child<QPushButton>(w, "btClear")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_EQ(boxTexts(), row.boxes);
        EXPECT_EQ(!window.isNull() && window->isVisible(), row.windowStays);
        EXPECT_EQ(QFile::exists(logPath()), row.logStays);
        if (row.windowStays) {
            EXPECT_TRUE(Child<TLogLines>(*window, "LogMemo")->text().endsWith(QStringLiteral("Connected.")));
        }
        if (!row.logStays) {
            QFile inTrash(trashed);
            ASSERT_TRUE(inTrash.open(QIODevice::ReadOnly)); // can be undone
            EXPECT_EQ(inTrash.readAll(), content);
        }
        delete window;
        QFile::remove(home.path() + QStringLiteral("/data"));
    }
}

TEST_F(FmLogTest, ClosedOrShownAgainWhileItsQuestionIsUpTheAnswerStillCounts)
{
    // While the question is up the user shows the viewer again from the tray
    // and closes it (OK) or not, or shows it once more after closing it.
    const QByteArray content = kHeader + "[06-19-2024 22h 05m 09s](): Connected.\r\n";
    const QString confirm = QStringLiteral("Vantrel Confirm Request:    Are you sure?   ");
    enum Act { Show, Ok };
    struct Row {
        const char *what;
        QList<Act> acts;
        MessageBoxes::Answer answer;
        bool windowStays, logStays;
    };
    const Row rows[] = {
        {"OK, then No", {Show, Ok}, MessageBoxes::Answer::No, false, true},
        {"OK, then Yes", {Show, Ok}, MessageBoxes::Answer::Yes, false, false},
        {"shown, then No", {Show}, MessageBoxes::Answer::No, true, true},
        {"OK, shown again, then No", {Show, Ok, Show}, MessageBoxes::Answer::No, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        writeLog(content);
        boxes.shown.clear();
        boxes.setNextAnswer(row.answer);
        TfmLog &w = open();
        boxes.hold = true;
        Child<QPushButton>(w, "btClear")->click();
        for (Act act : row.acts) {
            if (window.isNull())
                window = &open(); // shown again from the tray after it had gone
            else if (act == Show)
                window->show(); // what "View Log..." does with the open viewer
            else
                Child<QPushButton>(*window, "btClose")->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        boxes.hold = false;
        ASSERT_TRUE(boxes.answerNext());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_EQ(!window.isNull() && window->isVisible(), row.windowStays);
        EXPECT_EQ(window.isNull(), !row.windowStays);
        EXPECT_EQ(QFile::exists(logPath()), row.logStays);
        EXPECT_EQ(boxTexts().value(0), confirm);
        EXPECT_EQ(boxTexts().size(), row.logStays ? 1 : 2);
        delete window;
    }
}

TEST_F(FmLogTest, ALogThatIsNoRegularFileIsReportedAndNeverRead)
{
    // A FIFO would block open() for ever, /dev/zero never ends.
    const struct {
        const char *what;
        std::function<bool(const QString &)> make;
    } rows[] = {
        {"FIFO", [](const QString &p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; }},
        {"link to /dev/zero", [](const QString &p) { return QFile::link(QStringLiteral("/dev/zero"), p); }},
        {"folder", [](const QString &p) { return QDir().mkdir(p); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(row.make(logPath()));
        try {
            TfmLog w(state, boxes);
            ADD_FAILURE() << "a viewer over something that is no file";
        } catch (const VantrelError &e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot open file ") + logPath() + QStringLiteral(": ")))
                << e.text().toStdString();
        }
        QDir(logPath()).removeRecursively();
        QFile::remove(logPath());
    }
}

TEST_F(FmLogTest, ALogBeyondTheLimitsIsShownUpToItsLastWholeLineWithANote)
{
    const QByteArray line = "[06-19-2024 22h 05m 09s](Morvent): Connected.\r\n";
    QByteArray content = kHeader;
    while (content.size() < 1024 * 1024)
        content += line;
    writeLog(content + line); // the limit falls inside this last line
    TfmLog &w = open();
    w.setSizeLimitMiB(1);
    boxes.shown.clear();
    w.btRefreshClick();
    const qsizetype shownLines = Child<TLogLines>(w, "LogMemo")->text().count(QLatin1Char('\n')) + 1;
    EXPECT_EQ(shownLines, (content.size() - kHeader.size()) / line.size() - 1);
    EXPECT_TRUE(Child<TLogLines>(w, "LogMemo")->text().endsWith(QStringLiteral("Connected.")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"));
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral(
                              "Vantrel Message: The log is larger than 1 MiB: only its first 1 MiB are shown.")});

    // More lines than the viewer shows.
    w.setSizeLimitMiB(kLogViewerLimitMiB);
    w.setLineLimit(10);
    boxes.shown.clear();
    w.btRefreshClick();
    EXPECT_EQ(Child<TLogLines>(w, "LogMemo")->model()->rowCount(), 10);
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral("Vantrel Message: The log has more than 10 lines: only its first 10 are shown.")});
}

TEST(LogLines, CopiesTheSelectedLinesInTheirOrder)
{
    TLogLines view;
    view.setPlainText(QStringLiteral("one\ntwo\nthree\nfour"));
    const auto select = [&view](int row) {
        view.selectionModel()->select(view.model()->index(row, 0), QItemSelectionModel::Select);
    };
    select(3);
    select(1);
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&view, &copy);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("two\nfour"));
}

TEST(LogLines, EveryRowIsVisibleAndAsWideAsTheWidestLine)
{
    TLogLines view;
    const QString widest = QStringLiteral("[06-19-2024 22h 05m 09s](A much longer entry name): Connected.");
    view.setPlainText(QStringLiteral("short\n") + widest + QStringLiteral("\nx"));
    const int needed = view.fontMetrics().horizontalAdvance(widest);
    for (int row = 0; row < 3; ++row) {
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        EXPECT_GE(rect.height(), view.fontMetrics().height()) << row;
        EXPECT_GE(rect.width(), needed) << row;
    }
}

} // namespace
} // namespace vantrel::test
