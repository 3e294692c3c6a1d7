// SPDX-License-Identifier: GPL-3.0-or-later
// The connection entries window's handlers, on the offscreen platform, over the
// in-memory remote access service and the real registry.
#include "ui/dialer/fmcnx.h"
#include "ui/monitor/monitorfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

namespace vantrel::test {
namespace {

class ConnectionEntries : public MonitorFixture {
protected:
    void TearDown() override
    {
        window.reset();
        MonitorFixture::TearDown();
    }

    // Entries A, B, C (B with a saved password), then the window as the
    // configuration window opens it.
    TfmCnx &open(int entries = 3)
    {
        const char *names[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};
        for (int i = 0; i < entries && !m_phonebookMade; ++i)
            rasService.addEntry(QString::fromLatin1(names[i]), QStringLiteral("user-%1").arg(i),
                                QStringLiteral("pw-%1").arg(i), i == 1);
        m_phonebookMade = true;
        create();
        window = std::make_unique<TfmCnx>(state, platform, *fm);
        window->show();
        return *window;
    }
    // The entry list, which most steps read.
    QListWidget *list() const { return Child<QListWidget>(*window, "listCnx"); }
    void click(int row) { list()->setCurrentRow(row); }
    AppSettings stored()
    {
        AppSettings s;
        RecordingMessageBoxes quiet;
        LoadSettings(registry, quiet, s);
        return s;
    }
    QList<int> images() const
    {
        QList<int> out;
        for (int row = 0; row < list()->count(); ++row)
            out.append(window->rowImage(row));
        return out;
    }

    std::unique_ptr<TfmCnx> window;

private:
    bool m_phonebookMade = false; // a table's later cases reuse the phonebook
};

TEST_F(ConnectionEntries, EmptyPhonebookClearsTheConnectionSettingsAndRefusesTheCheckBox)
{
    setUser(QStringLiteral("RASCnx"), "1,Old");
    setUser(QStringLiteral("Cycled"), "2");
    TfmCnx &w = open(0);
    EXPECT_EQ(list()->count(), 2);
    EXPECT_EQ(list()->item(1)->text(), cnx_text::kEmptyRow);
    EXPECT_EQ(images(), (QList<int>{0, -1}));
    EXPECT_TRUE(state.AppSettings.RASCnx.isEmpty());
    EXPECT_TRUE(state.AppSettings.Cycled.isEmpty());
    Child<QCheckBox>(w, "cbCnx")->setChecked(true);
    EXPECT_FALSE(Child<QCheckBox>(w, "cbCnx")->isChecked());
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(boxes.shown.last().text, cnx_text::kNoEntries);
}

TEST_F(ConnectionEntries, UnreadablePhonebookKeepsTheSettings)
{
    setUser(QStringLiteral("RASCnx"), "2,B");
    rasService.listEntriesError = ERROR_CANNOT_OPEN_PHONEBOOK;
    TfmCnx &w = open();
    EXPECT_EQ(list()->count(), 1);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().text, cnx_text::kCannotList);
    EXPECT_TRUE(Child<QCheckBox>(w, "cbCnx")->isChecked());
    EXPECT_EQ(state.AppSettings.RASCnx, QStringLiteral("2,B"));
}

TEST_F(ConnectionEntries, StoredSelectionIsShown)
{
    struct Case {
        const char *rasCnx;
        int row; // selected row, -1 none
        QString label;
        QString user, password;
    };
    const QList<Case> cases{
        {"2,B", 2, "B", "user-1", "pw-1"},
        {"3,C", 3, "C", "user-2", ""}, // no saved password
        {"Multiple selections", -1, "Multiple selections", "", ""},
        {"7,Gone", -1, "", "", ""}, // the number names no row
        {"x,B", -1, "", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rasCnx);
        window.reset();
        fm.reset();
        setUser(QStringLiteral("RASCnx"), c.rasCnx);
        TfmCnx &w = open();
        EXPECT_EQ(list()->currentRow(), c.row);
        EXPECT_EQ(w.selectedRow(), c.row);
        EXPECT_EQ(Child<QLabel>(w, "lbCnx")->text(), c.label);
        EXPECT_EQ(Child<QLineEdit>(w, "edUser")->text(), c.user);
        EXPECT_EQ(Child<QLineEdit>(w, "edPass")->text(), c.password);
        EXPECT_TRUE(Child<QCheckBox>(w, "cbCnx")->isChecked());
        EXPECT_EQ(w.entryParams().szPassword[0], '\0'); // only the masked field holds it
    }
}

TEST_F(ConnectionEntries, HeaderRowClearsTheSelection)
{
    setUser(QStringLiteral("RASCnx"), "2,B");
    TfmCnx &w = open();
    // A real press and release: the view's own mouse handling must not select
    // the row after the handler has cleared the selection.
    const QPoint at = list()->visualRect(list()->model()->index(0, 0)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, list()->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &event);
    }
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    EXPECT_EQ(w.selectedRow(), -1);
    EXPECT_EQ(list()->currentRow(), -1);
    EXPECT_TRUE(Child<QLabel>(w, "lbCnx")->text().isEmpty());
    EXPECT_TRUE(Child<QLineEdit>(w, "edUser")->text().isEmpty());
    EXPECT_TRUE(Child<QLineEdit>(w, "edPass")->text().isEmpty());
}

TEST_F(ConnectionEntries, KeyboardAloneReachesEveryEntryAndNeverTheHeader)
{
    rasService.addEntry(QStringLiteral("Alpha"));
    rasService.addEntry(QStringLiteral("Bravo"));
    rasService.addEntry(QStringLiteral("Rome")); // shares its first letter with the header
    TfmCnx &w = open(0);
    Child<QCheckBox>(w, "cbCnx")->setChecked(true); // list enabled, no row chosen
    ASSERT_TRUE(list()->isEnabled());

    QFocusEvent tabIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(list(), &tabIn);
    EXPECT_EQ(list()->currentRow(), 1) << "the first Tab lands on the first entry";
    EXPECT_EQ(w.selectedRow(), -1) << "landing there chooses nothing yet";

    struct Step {
        Qt::Key key;
        const char *text;
        int row; // the row chosen afterwards
    };
    const Step steps[] = {
        {Qt::Key_Down, "", 2}, {Qt::Key_Up, "", 1},       {Qt::Key_Up, "", 1},     {Qt::Key_End, "", 3},
        {Qt::Key_Home, "", 1}, {Qt::Key_PageDown, "", 3}, {Qt::Key_PageUp, "", 1}, {Qt::Key_R, "r", 3},
    };
    for (const Step &step : steps) {
        QKeyEvent press(QEvent::KeyPress, step.key, Qt::NoModifier, QString::fromLatin1(step.text));
        QApplication::sendEvent(list(), &press);
        const QString label = QStringLiteral("key %1").arg(int(step.key), 0, 16);
        EXPECT_EQ(w.selectedRow(), step.row) << qPrintable(label);
        EXPECT_EQ(list()->currentRow(), step.row) << qPrintable(label);
        EXPECT_EQ(Child<QLabel>(w, "lbCnx")->text(), list()->item(step.row)->text()) << qPrintable(label);
    }
}

TEST_F(ConnectionEntries, RedialFields)
{
    setUser(QStringLiteral("RASCnx"), "1,A");
    setUser(QStringLiteral("Redial"), 3u);
    setUser(QStringLiteral("Wait"), 10u);
    TfmCnx &w = open();
    EXPECT_EQ(Child<QLineEdit>(w, "edRedial")->text(), QStringLiteral("3"));
    EXPECT_EQ(Child<QLineEdit>(w, "edWait")->text(), QStringLiteral("10"));

    Child<QCheckBox>(w, "cxRedial")->setChecked(false);
    EXPECT_EQ(state.AppSettings.Redial, 0);
    EXPECT_EQ(state.AppSettings.Wait, 0);
    Child<QCheckBox>(w, "cxRedial")->setChecked(true);
    EXPECT_EQ(state.AppSettings.Redial, 0); // until a digit is typed
    Child<QLineEdit>(w, "edRedial")->insert(QStringLiteral("5"));
    EXPECT_EQ(state.AppSettings.Redial, 5);
    Child<QLineEdit>(w, "edRedial")->insert(QStringLiteral("x")); // typed or pasted: refused
    Child<QLineEdit>(w, "edWait")->insert(QStringLiteral("1 2"));
    EXPECT_EQ(Child<QLineEdit>(w, "edRedial")->text(), QStringLiteral("5"));
    EXPECT_TRUE(Child<QLineEdit>(w, "edWait")->text().isEmpty());
    Child<QLineEdit>(w, "edRedial")->clear();
    EXPECT_EQ(state.AppSettings.Redial, 1);
}

TEST_F(ConnectionEntries, CycleListEditing)
{
    setUser(QStringLiteral("RASCnx"), "1,A");
    TfmCnx &w = open(9);
    Child<QCheckBox>(w, "cxCycle")->setChecked(true);
    for (int row : {1, 2, 3}) {
        click(row);
        EXPECT_EQ(Child<QPushButton>(w, "btAddCycle")->text(), cnx_text::kAddToCycle);
        Child<QPushButton>(w, "btAddCycle")->click();
    }
    EXPECT_EQ(images().mid(0, 5), (QList<int>{0, 2, 3, 4, 1}));
    EXPECT_EQ(Child<QPushButton>(w, "btAddCycle")->text(), cnx_text::kRemoveFromCycle);

    click(1);
    Child<QPushButton>(w, "btAddCycle")->click(); // remove A: the others move up
    EXPECT_EQ(images().mid(0, 5), (QList<int>{0, 1, 2, 3, 1}));
    EXPECT_EQ(w.cycleCount(), 2);

    for (int row = 4; row <= 9; ++row) {
        click(row);
        Child<QPushButton>(w, "btAddCycle")->click();
    }
    EXPECT_EQ(w.cycleCount(), 8);
    click(1);
    Child<QPushButton>(w, "btAddCycle")->click(); // a ninth
    EXPECT_EQ(w.cycleCount(), 8);
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("No more than 8 Cycled Connections!"));

    // A double click toggles the row's place even with Cycle off.
    Child<QCheckBox>(w, "cxCycle")->setChecked(false);
    EXPECT_EQ(w.cycleCount(), 0);
    click(2);
    emit list()->itemDoubleClicked(list()->item(2));
    EXPECT_EQ(w.cycleCount(), 1);
    EXPECT_EQ(state.AppSettings.CycleEntries[0], QStringLiteral("B"));
}

TEST_F(ConnectionEntries, LongNamesAreCutInTheCycleAndMatchNoRow)
{
    const QString longName(40, u'n');
    rasService.addEntry(longName);
    setUser(QStringLiteral("RASCnx"), "1,x");
    TfmCnx &w = open(0);
    Child<QCheckBox>(w, "cxCycle")->setChecked(true);
    click(1);
    Child<QPushButton>(w, "btAddCycle")->click();
    EXPECT_EQ(state.AppSettings.CycleEntries[0], longName.left(32));
    EXPECT_EQ(w.rowImage(1), 1);
}

TEST_F(ConnectionEntries, OkStoresTheGroupAndSetsConnect)
{
    struct Case {
        const char *name;
        QList<int> cycleRows;
        int selected;
        QString rasCnx, cycled;
        bool connectEnabled;
    };
    const QList<Case> cases{
        {"one selected entry", {}, 2, "2,B", "", true},
        {"a cycle of one is no cycle", {3}, 2, "2,B", "", true},
        {"a cycle of two", {3, 1}, 2, "Multiple selections", "2", true},
        {"nothing", {}, 0, "", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        fm.reset();
        setUser(QStringLiteral("RASCnx"), "1,A");
        setUser(QStringLiteral("Cycled"), "");
        TfmCnx &w = open();
        Child<QCheckBox>(w, "cxCycle")->setChecked(true);
        for (int row : c.cycleRows) {
            click(row);
            Child<QPushButton>(w, "btAddCycle")->click();
        }
        click(c.selected);
        Child<QPushButton>(w, "btClose")->click();
        EXPECT_FALSE(w.isVisible());
        const AppSettings s = stored();
        EXPECT_EQ(s.RASCnx, c.rasCnx);
        EXPECT_EQ(s.Cycled, c.cycled);
        if (c.cycleRows.size() >= 2) {
            EXPECT_EQ(s.CycleEntries[0], QStringLiteral("C"));
            EXPECT_EQ(s.CycleEntries[1], QStringLiteral("A"));
        }
        EXPECT_EQ(item("Connect1")->isEnabled(), c.connectEnabled);
    }
}

TEST_F(ConnectionEntries, TurningTheConnectionOffClearsEverything)
{
    setUser(QStringLiteral("RASCnx"), "Multiple selections");
    setUser(QStringLiteral("Cycled"), "2");
    setUser(QStringLiteral("Redial"), 4u);
    TfmCnx &w = open();
    ASSERT_EQ(w.cycleCount(), 2);
    Child<QCheckBox>(w, "cbCnx")->setChecked(false);
    const AppSettings &s = state.AppSettings;
    EXPECT_TRUE(s.RASCnx.isEmpty() && s.Cycled.isEmpty() && s.CycleEntries[0].isEmpty());
    EXPECT_EQ(s.Redial, 0);
    EXPECT_EQ(w.cycleCount(), 0);
    EXPECT_FALSE(list()->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(w, "cxRedial")->isChecked());
}

} // namespace
} // namespace vantrel::test
