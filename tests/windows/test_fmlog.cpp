// The log viewer: the header lines and the caption, the encodings, a log that
// is gone, and Clear answered Yes and No, or impossible.
#include "support/testenv.h"

#include "monitor/appstate.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "windows/fmlog.h"
#include "windows/loglines.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        EXPECT_TRUE(state.LogWindowOpen);
        w.btClose->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_FALSE(state.LogWindowOpen);
        EXPECT_EQ(QFile(logPath()).size(), row.file.size()); // never written
    }
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
        EXPECT_EQ(state.LogWindowOpen, row.windowStays);
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
