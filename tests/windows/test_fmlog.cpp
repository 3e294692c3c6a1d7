// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer: the header lines and the caption, the encodings, a log that
// is gone or is no regular file or too large, Clear answered Yes and No, or
// impossible, and the viewer closed while its own question is up.
#include "support/testenv.h"

#include "monitor/appstate.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "support/recordingmessageboxes.h"
#include "windows/fmlog.h"
#include "windows/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTemporaryDir>

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
        {"header and events", kHeader + "[06-19-2024 22h 05m 09s](Morvent): Connected.\r\n"
                                        "[06-19-2024 23h 00m 00s](Morvent): Disconnected.\r\n",
         QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"),
         QStringLiteral("[06-19-2024 22h 05m 09s](Morvent): Connected.\n"
                        "[06-19-2024 23h 00m 00s](Morvent): Disconnected.")},
        {"only the header", kHeader, QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"),
         QString()},
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
        EXPECT_EQ(w.LogMemo->text(), row.text);
        w.btClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(QFile(logPath()).size(), row.file.size()); // never written
    }
}

// The text is no tab stop, so a keyboard user reads it from the buttons: the
// page keys, the arrows, Home and End (with Ctrl: the first and last lines)
// scroll it, and the focus stays on the button.
TEST_F(FmLogTest, TheReadingKeysScrollTheLogWhileTheFocusStaysOnAButton)
{
    writeLog(kHeader + QByteArray("[06-19-2024 22h 05m 09s](" + QByteArray(200, 'M') + "): Connected.\r\n").repeated(300));
    TfmLog &w = open();
    w.btClear->setFocus();
    QCoreApplication::processEvents();
    const QScrollBar &lines = *w.LogMemo->verticalScrollBar(), &columns = *w.LogMemo->horizontalScrollBar();
    ASSERT_GT(lines.maximum(), 2 * lines.pageStep());
    ASSERT_GT(columns.maximum(), columns.pageStep());
    const int page = lines.pageStep(), step = lines.singleStep(), end = lines.maximum(), right = columns.maximum();
    // Key, modifiers, where the bars stand afterwards (-1: a few characters right).
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int, int> steps[] = {
        {Qt::Key_PageDown, {}, page, 0}, {Qt::Key_Down, {}, page + step, 0}, {Qt::Key_Up, {}, page, 0},
        {Qt::Key_PageUp, {}, 0, 0},      {Qt::Key_End, Qt::ControlModifier, end, 0}, {Qt::Key_Right, {}, end, -1},
        {Qt::Key_Left, {}, end, 0},      {Qt::Key_End, {}, end, right},   {Qt::Key_Home, {}, end, 0},
        {Qt::Key_Home, Qt::ControlModifier, 0, 0}};
    for (const auto &[key, modifiers, line, column] : steps) {
        SCOPED_TRACE(QKeySequence(key | modifiers).toString().toStdString());
        QTest::keyClick(w.btClear, key, modifiers);
        EXPECT_EQ(lines.value(), line);
        if (column < 0)
            EXPECT_TRUE(columns.value() > 0 && columns.value() < columns.pageStep()) << columns.value();
        else
            EXPECT_EQ(columns.value(), column);
        EXPECT_EQ(QApplication::focusWidget(), w.btClear);
    }
    // Tab still goes from button to button.
    QTest::keyClick(w.btClear, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.btClose);
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
    EXPECT_EQ(w.LogMemo->text(), QString());
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
        {"Yes", MessageBoxes::Answer::Yes, true,
         {confirm, QStringLiteral("Vantrel Message: Log file deleted.")}, false, false},
        {"Yes, no trash possible", MessageBoxes::Answer::Yes, false,
         {confirm, QStringLiteral("Vantrel Message: Clear Failed.")}, false, true},
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
        w.btClear->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        EXPECT_EQ(boxTexts(), row.boxes);
        EXPECT_EQ(!window.isNull() && window->isVisible(), row.windowStays);
        EXPECT_EQ(QFile::exists(logPath()), row.logStays);
        if (row.windowStays) {
            EXPECT_TRUE(window->LogMemo->text().endsWith(QStringLiteral("Connected.")));
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
        w.btClear->click();
        for (Act act : row.acts) {
            if (window.isNull())
                window = &open(); // shown again from the tray after it had gone
            else if (act == Show)
                window->show(); // what "View Log..." does with the open viewer
            else
                window->btClose->click();
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

TEST_F(FmLogTest, ALogBeyondTheLimitIsShownUpToItsLastWholeLineWithANote)
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
    const qsizetype shownLines = w.LogMemo->text().count(QLatin1Char('\n')) + 1;
    EXPECT_EQ(shownLines, (content.size() - kHeader.size()) / line.size() - 1);
    EXPECT_TRUE(w.LogMemo->text().endsWith(QStringLiteral("Connected.")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral(" Vantrel Log File created at: 06-19-2024 22h 05m 09s"));
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral(
                              "Vantrel Message: The log is larger than 1 MiB: only its first 1 MiB are shown.")});
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
