// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmabout.h"

#include "ui/monitor/globeicon.h"
#include "ui/platform/formlayout.h"
#include "ui/windows/fmhintip.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vantrel {

namespace {

constexpr int kClientWidth = 239;
constexpr int kClientHeight = 175;
// Where the hint goes, from the pointer position the notice line reports.
constexpr int kHintLeft = 40;
constexpr int kHintTop = -60;

} // namespace

TfmAbout::TfmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fmAbout"));
    setWindowTitle(tr("About Vantrel"));
    buildControls();

    // FormCreate
    fmHintIP = new TfmHintIP(this);
    Label12->setText(about_text::translated(about_text::kVersion));
    CentreOnScreen(*this);
}

TfmAbout::~TfmAbout()
{
    delete fmHintIP;
}

void TfmAbout::buildControls()
{
    Image3 = MakeLabel(QString(), this, QStringLiteral("Image3"), {15, 8, 31, 35});
    Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image3->setPixmap(MainIconPixmap());

    Label11 = MakeLabel(QStringLiteral("Vantrel"), this, QStringLiteral("Label11"), {58, 16, 57, 13});
    QFont bold = font();
    bold.setBold(true);
    Label11->setFont(bold);

    Label12 = MakeLabel(QString(), this, QStringLiteral("Label12"), {142, 16, 91, 13});
    Label12->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label13 = new QLabel(tr("Your address, one glance away."), this);
    Label13->setObjectName(QStringLiteral("Label13"));
    QFont notice = font(); // the window's size, the serif face
    notice.setFamilies({QStringLiteral("Times New Roman")});
    notice.setStyleHint(QFont::Serif); // the desktop's serif face where that one is missing
    notice.setItalic(true);
    Label13->setFont(notice);
    Label13->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); // sized to its text

    Memo = Designed(new QPlainTextEdit(this), {14, 78, 209, 53});
    Memo->setAccessibleName(tr("Notice"));
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    Memo->document()->setDocumentMargin(0);
    QPalette buttonFace = Memo->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Window));
    Memo->setPalette(buttonFace);
    // Four lines, each ending in a blank, wrapped at the memo's width; as many
    // lines as a longer language needs.
    Memo->setPlainText(tr("This software is distributed 'as is'. I don't "
                          "assume any responsibility for any damage or "
                          "data loss. Thanks to everyone who tried it "
                          "early."));
    FitTextHeight(*Memo, Scaled(209, font()), 53);

    Bevel2 = Designed(new QFrame(this), {15, 138, 207, 3});
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setFixedWidth(Memo->width() - 2); // the memo's width, less a pixel each side

    btClose = new FormButton(tr("&OK"), this, QStringLiteral("btClose"), {82, 146, 75, 25});
    connect(btClose, &QPushButton::clicked, this, &TfmAbout::BitBtn1Click);

    // Each row has its own margins, as in the design; the button is centred
    // in the window.
    QVBoxLayout *name = Column(nullptr, {0, 8, 0, 0});
    name->addWidget(Label11, 0, kAtLeft);
    name->addStretch();
    QVBoxLayout *version = Column(nullptr, {0, 8, 0, 0});
    version->addWidget(Label12, 0, Qt::AlignRight | Qt::AlignVCenter);
    version->addStretch();
    QHBoxLayout *top = Row(nullptr, {15, 0, 6, 0});
    top->addWidget(Image3, 0, Qt::AlignLeft | Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(name);
    top->addSpacing(27);
    top->addStretch();
    top->addLayout(version);
    // The notice's line keeps the design's height below it; the label itself
    // is no taller than its text, so the hint shows only over the text.
    auto *noticeLine = new QGridLayout;
    noticeLine->setContentsMargins(14, 0, 6, 0);
    noticeLine->setRowMinimumHeight(0, 30);
    noticeLine->addWidget(Label13, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    QHBoxLayout *memo = Row(nullptr, {14, 0, 6, 0});
    memo->addWidget(Memo);
    memo->addStretch();
    QHBoxLayout *rule = Row(nullptr, {15, 0, 6, 0});
    rule->addWidget(Bevel2);
    rule->addStretch();
    QHBoxLayout *ok = Row(nullptr, {});
    ok->addStretch();
    ok->addWidget(btClose);
    ok->addStretch();
    QVBoxLayout *window = Column(this, {0, 8, 0, 4});
    window->addLayout(top);
    window->addSpacing(5);
    window->addLayout(noticeLine);
    window->addLayout(memo);
    window->addSpacing(7);
    window->addLayout(rule);
    window->addSpacing(5);
    window->addLayout(ok);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    // Every part of the window hears the pointer move (not only while a button
    // is down), and none passes its moves on to the window: each part has a
    // rule of its own, and the OK button and the rule have none at all.
    setMouseTracking(true);
    for (QWidget *part : {static_cast<QWidget *>(Image3), static_cast<QWidget *>(Label11), static_cast<QWidget *>(Label12),
                          static_cast<QWidget *>(Label13), Memo->viewport(), static_cast<QWidget *>(Bevel2),
                          static_cast<QWidget *>(btClose)}) {
        part->setMouseTracking(true);
        part->setAttribute(Qt::WA_NoMousePropagation);
        part->installEventFilter(this);
    }
}

void TfmAbout::FormMouseMove()
{
    if (fmHintIP)
        fmHintIP->hide();
}

void TfmAbout::Label13MouseMove(QPoint position)
{
    if (!fmHintIP)
        return;
    // The position is taken as one in the window's client area, as the hint
    // was always placed; it then floats just above and right of the pointer.
    const QPoint screen = mapToGlobal(position);
    fmHintIP->move(screen.x() + kHintLeft, screen.y() + kHintTop);
    fmHintIP->show();
    fmHintIP->raise();
}

void TfmAbout::BitBtn1Click()
{
    accept();
}

void TfmAbout::done(int result)
{
    delete fmHintIP;
    QDialog::done(result);
}

void TfmAbout::mouseMoveEvent(QMouseEvent *event)
{
    QDialog::mouseMoveEvent(event);
    FormMouseMove();
}

bool TfmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == Label13)
            Label13MouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        else if (watched != Bevel2 && watched != btClose)
            FormMouseMove(); // the icon, the name, the version, the disclaimer
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vantrel
