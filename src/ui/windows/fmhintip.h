// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture hint: a small borderless stay-on-top window with rounded corners
// showing a fixed picture next to the pointer, like an oversized tooltip. The
// about window places, shows and hides it; it hides itself as soon as the
// pointer moves onto its picture, so it never stands in the way.
#include <QImage>
#include <QRegion>
#include <QWidget>

class QFrame;
class QLabel;

namespace vantrel {

class TfmHintIP : public QWidget {
    Q_OBJECT
public:
    explicit TfmHintIP(QWidget *parent = nullptr);
    ~TfmHintIP() override;

    void FormMouseMove();
    void Image1MouseMove();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    // The window's shape; only its inside is drawn and takes mouse input.
    QRegion HintRegion;

    void FormCreate();
};

// The hint's picture, drawn by code: 200 x 100 pixels in the sixteen colours of
// the classic palette.
QImage HintPicture();

} // namespace vantrel
