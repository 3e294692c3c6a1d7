// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credentials prompt fmAsk: asks for the user name and password of the entry
// about to be dialled. Made anew for each prompt, opened window-modal (the dial run
// goes on from its finished() signal), destroyed after.
// It acts on the dial run's counters through its Skip and Abort buttons.
#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

struct AppState;

// The prompt's modal results: OK (dial), Cancel (Skip, or closed any other way)
// and Abort.
enum PromptResult : int { PromptCancel = QDialog::Rejected, PromptOK = QDialog::Accepted, PromptAbort = 3 };

// The longest user name or password the dial parameters hold, in bytes of its
// UTF-8 form.
constexpr int kCredentialMaxBytes = 256;

class TfmAsk : public QDialog {
    Q_OBJECT
public:
    // `attemptLimit` is the run's limit of attempts per entry (Abort sets the
    // attempt counter past it).
    TfmAsk(AppState &state, std::int32_t attemptLimit, QWidget *parent = nullptr);
    ~TfmAsk() override;

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *edUser = nullptr;
    QLineEdit *edPass = nullptr;
    QPushButton *btAbort = nullptr;
    QPushButton *btOK = nullptr;
    QPushButton *btSkip = nullptr;

    void btOKClick();
    void btAbortClick();
    void btSkipClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void wipeFields();

    AppState &m_state;
    std::int32_t m_attemptLimit;
};

} // namespace vantrel
