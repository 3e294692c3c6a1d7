// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credentials prompt fmAsk: asks for the user name and password of the entry
// about to be dialled. Made anew for each prompt, opened without waiting,
// destroyed after. Its buttons answer the dial run (answered()), which moves its
// counters accordingly.
#include "dialer/dialer.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

// The prompt's modal results: OK (dial), Cancel (Skip, or closed any other way)
// and Abort.
enum PromptResult : int { PromptCancel = QDialog::Rejected, PromptOK = QDialog::Accepted, PromptAbort = 3 };

// The longest user name or password the dial parameters hold, in bytes of its
// UTF-8 form.
constexpr int kCredentialMaxBytes = 256;

class TfmAsk : public QDialog {
    Q_OBJECT
public:
    // Asks for `entry`'s credentials, showing `userName` and `password`.
    TfmAsk(const QString &entry, const QString &userName, const QString &password, QWidget *parent = nullptr);
    ~TfmAsk() override;

    void btOKClick();
    void btAbortClick();
    void btSkipClick();
    void done(int result) override;

signals:
    // Once per prompt, as it closes: the button pressed (Closed when it was
    // closed any other way) and the texts typed (meant for OK only).
    void answered(vantrel::PromptAnswer answer, const QString &userName, const QString &password);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Controls, named as their object names.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *edUser = nullptr;
    QLineEdit *edPass = nullptr;
    QPushButton *btAbort = nullptr;
    QPushButton *btOK = nullptr;
    QPushButton *btSkip = nullptr;

    void answer(PromptAnswer answer, int result);
    void wipeFields();

    bool m_answered = false;
};

} // namespace vantrel
