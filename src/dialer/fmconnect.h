#pragma once
// The dial progress window fmConnect: created hidden at start-up and kept until
// the program ends. The dial run (dialer.h) shows it, writes each status line
// into Memo1 and hides it again, and gives btAbort and btSkip their handlers.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

class TfmConnect : public QDialog {
    Q_OBJECT
public:
    explicit TfmConnect(QWidget *parent = nullptr);
    ~TfmConnect() override;

    QLabel *Image1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *btAbort = nullptr;
    QPushButton *btSkip = nullptr;

protected:
    // Opens at the top right corner of the primary screen with an empty line,
    // wherever the user moved it before.
    void showEvent(QShowEvent *event) override;
};

} // namespace vantrel
