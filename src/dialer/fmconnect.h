#pragma once
// The dial progress window fmConnect: created hidden at start-up and kept until
// the program ends. The dial run shows it, writes each status line into Memo1
// and hides it again; btAbort and btSkip act on the run.
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
};

} // namespace vantrel
