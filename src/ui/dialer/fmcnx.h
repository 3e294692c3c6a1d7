// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connection entries window fmCnx ("Advanced Vantrel Configuration"): the
// phonebook entry to dial, the credentials prompt switch, redial count and pause,
// and the cycle list. Its controls change AppSettings at once; OK stores the
// connection group. Made for each opening, shown modally, freed when closed.
#include "platform/ras/ras.h"

#include <QCoreApplication>
#include <QDialog>
#include <QList>
#include <QPixmap>

#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;

namespace cnx_text {
inline constexpr char kHeaderRow[] = QT_TRANSLATE_NOOP("cnx_text", "RAS Connections");
inline constexpr char kEmptyRow[] = QT_TRANSLATE_NOOP("cnx_text", "<empty>");
// Stored in the registry as the entry of a cycle: a value, never translated.
inline const QString kMultiple = QStringLiteral("Multiple selections");
// The same as the window shows it.
inline constexpr char kMultipleShown[] = QT_TRANSLATE_NOOP("cnx_text", "Multiple selections");
inline constexpr char kAddToCycle[] = QT_TRANSLATE_NOOP("cnx_text", "&Add this item to Cycle");
inline constexpr char kRemoveFromCycle[] = QT_TRANSLATE_NOOP("cnx_text", "&Remove this item from Cycle");
inline constexpr char kCannotList[] = QT_TRANSLATE_NOOP("cnx_text", "Can't get the list of RAS connections");
inline constexpr char kNoEntries[] = QT_TRANSLATE_NOOP("cnx_text", "No RAS Connections configured.");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("cnx_text", text);
}
} // namespace cnx_text

class TfmCnx : public QDialog {
    Q_OBJECT
public:
    TfmCnx(AppState &state, Platform &platform, TfmVantrel &fmVantrel, QWidget *parent = nullptr);
    ~TfmCnx() override;

    // For tests: the entries in the cycle and the row chosen (-1: none).
    std::int32_t cycleCount() const { return CycleCount; }
    int selectedRow() const { return SelectedRow; }

    // The selected entry's stored parameters, read to show its credentials.
    const RASDIALPARAMSA &entryParams() const { return m_entryParams; }

    // Handlers (the check boxes' run on every change of state, from code too).
    void cbCnxClick();
    void listCnxClick();
    void btRefreshClick();
    void cxAskClick();
    void cxRedialClick();
    void edRedialChange();
    void edWaitChange();
    void cxCycleClick();
    void btAddCycleClick();
    void btCloseClick();

    // The image of a row: -1 for none, else an index into ListaIcone.
    int rowImage(int row) const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    // Controls (named as their object names) and the row images.
    QCheckBox *cbCnx = nullptr;
    QListWidget *listCnx = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lbCnx = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *edUser = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *edPass = nullptr;
    QCheckBox *cxAsk = nullptr;
    QPlainTextEdit *Note = nullptr;
    QCheckBox *cxRedial = nullptr;
    QLineEdit *edWait = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *edRedial = nullptr;
    QLabel *Label6 = nullptr;
    QPushButton *btRefresh = nullptr;
    QFrame *Bevel1 = nullptr;
    QCheckBox *cxCycle = nullptr;
    QPushButton *btAddCycle = nullptr;
    QPushButton *btClose = nullptr;
    QList<QPixmap> ListaIcone;

    void FormCreate();
    void FormShow();
    bool FillEntryList();
    void ShowEntryCredentials();
    void selectRow(int row);
    // A click on the header row: no row selected, the fields emptied.
    void headerRowClick();
    void clearCycle();
    void updateAddCycle();
    QString selectedText() const;
    int cycleSlotOf(const QString &text) const;

    std::int32_t CycleCount = 0;
    int SelectedRow = -1;

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_fm;
    bool m_shown = false;
    bool m_selecting = false;
    bool m_closed = false;
    bool m_emptyPhonebook = false; // the list shows the "<empty>" row
    RASDIALPARAMSA m_entryParams{};
};

} // namespace vantrel
