// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/vantrelwsinfo.h"

#include "monitor/appstate.h"
#include "platform/sockets/posixsockets.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/platform/formlayout.h"
#include "ui/platform/modal.h"
#include "ui/windows/fmconfig.h"

#include <QBoxLayout>
#include <QByteArray>
#include <QFrame>
#include <QGridLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QToolTip>

#include <cstring>

namespace vantrel {

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 159;

// A text field of the start-up record: up to its NUL, never past its end even
// when a stack filled it to the last byte.
template <std::size_t N>
QString recordText(const char (&field)[N])
{
    return QString::fromLocal8Bit(field, static_cast<qsizetype>(qstrnlen(field, N)));
}

// The address line. Its text stays "IP Address:      " and the address text
// whole (the poll rewrites it every tick), but an IPv6 address with a host name
// is wider than the line's fixed box: it is drawn so that the address is never
// cut. The name is cut with an ellipsis; an address that alone does not fit is
// drawn a little narrower. The tooltip of a cut line shows it whole.
class AddressLine final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const QString full = text();
        const QRect r = contentsRect();
        const QFontMetrics metrics(font());
        if (!isCut()) {
            QLabel::paintEvent(event);
            return;
        }
        const qsizetype open = full.indexOf(QStringLiteral(" ("),
                                            monitor_text::translated(monitor_text::kDetailsAddressPrefix).size());
        const QString head = open < 0 ? full : full.left(open);
        const QString tail = open < 0 ? QString() : full.mid(open);
        const int headWidth = metrics.horizontalAdvance(head);
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        if (headWidth <= r.width()) {
            painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                             head + metrics.elidedText(tail, Qt::ElideRight, r.width() - headWidth));
        } else {
            painter.translate(r.left(), 0);
            painter.scale(static_cast<qreal>(r.width()) / headWidth, 1.0);
            painter.drawText(QRect(0, r.top(), headWidth, r.height()), Qt::AlignLeft | Qt::AlignVCenter, head);
        }
    }

    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ToolTip && isCut()) {
            QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), text(), this);
            return true;
        }
        return QLabel::event(e);
    }

private:
    bool isCut() const { return QFontMetrics(font()).horizontalAdvance(text()) > contentsRect().width(); }
};

} // namespace

TVantrelWSInfo::TVantrelWSInfo(AppState &state, Platform &platform, TfmVantrel &main, QString programPath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state), m_platform(platform),
      m_main(main), m_programPath(std::move(programPath))
{
    setObjectName(QStringLiteral("VantrelWSInfo"));
    setWindowTitle(tr("Vantrel - Winsock Information"));
    buildControls();
    CentreOnScreen(*this);
}

TVantrelWSInfo::~TVantrelWSInfo() = default;

void TVantrelWSInfo::buildControls()
{
    Panel1 = Designed(new QFrame(this), {6, 8, 347, 123});
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Box); // lowered outside, raised inside
    Panel1->setFrameShadow(QFrame::Sunken);

    Ver = MakeLabel(QStringLiteral("Ver"), Panel1, QStringLiteral("Ver"), {12, 10, 321, 13});
    Label2 = MakeLabel(tr("System Status"), Panel1, QStringLiteral("Label2"), {12, 30, 110, 13});
    Status = MakeLabel(QStringLiteral("Status"), Panel1, QStringLiteral("Status"), {128, 30, 205, 13});
    Label3 = MakeLabel(tr("Max Sockets"), Panel1, QStringLiteral("Label3"), {12, 48, 110, 13});
    MaxSock = MakeLabel(QStringLiteral("MaxSock"), Panel1, QStringLiteral("MaxSock"), {128, 48, 205, 13});
    Bevel1 = Designed(new QFrame(Panel1), {12, 70, 323, 7});
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Raised);
    Config = MakeLabel(QStringLiteral("Configured as"), Panel1, QStringLiteral("Config"), {12, 86, 323, 13});
    IP = Designed(new AddressLine(QStringLiteral("IP Address:"), Panel1), {12, 104, 323, 13});
    IP->setObjectName(QStringLiteral("IP"));
    IP->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The poll rewrites the address line every tick: its width follows the
    // window, not the address, and a long address is drawn to fit (above).
    IP->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    btConfig = new FormButton(tr("C&onfigure"), this, QStringLiteral("btConfig"), {216, 136, 67, 21});
    btClose = new FormButton(tr("&OK"), this, QStringLiteral("btClose"), {286, 136, 67, 21});
    // Neither is the default button: Enter presses the one that has the focus.
    btConfig->setDefault(false);
    btClose->setDefault(false);

    QVBoxLayout *panel = Column(Panel1, {12, 10, 12, 6});
    panel->addWidget(Ver, 0, kAtLeft);
    panel->addSpacing(7);
    auto *record = new QGridLayout;
    record->setHorizontalSpacing(6);
    record->setVerticalSpacing(5);
    record->setColumnStretch(1, 1);
    record->addWidget(Label2, 0, 0, kAtLeft);
    record->addWidget(Status, 0, 1, kAtLeft);
    record->addWidget(Label3, 1, 0, kAtLeft);
    record->addWidget(MaxSock, 1, 1, kAtLeft);
    panel->addLayout(record);
    panel->addSpacing(9);
    panel->addWidget(Bevel1);
    panel->addSpacing(9);
    panel->addWidget(Config, 0, kAtLeft);
    panel->addSpacing(5);
    panel->addWidget(IP);

    QVBoxLayout *window = Column(this, {6, 8, 7, 2});
    window->addWidget(Panel1);
    window->addSpacing(5);
    QHBoxLayout *buttons = Row(nullptr, {}, 3);
    buttons->addStretch();
    buttons->addWidget(btConfig);
    buttons->addWidget(btClose);
    window->addLayout(buttons);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    connect(btConfig, &QPushButton::clicked, this, &TVantrelWSInfo::btConfigClick);
    connect(btClose, &QPushButton::clicked, this, &TVantrelWSInfo::btCloseClick);
}

void TVantrelWSInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TVantrelWSInfo::FormShow()
{
    using details_text::kNotAvailable;
    if (m_main.winsockStatus() != 0) {
        Ver->setText(details_text::translated(kNotAvailable));
        Status->setText(monitor_text::translated(monitor_text::kNoStack));
        MaxSock->setText(details_text::translated(kNotAvailable));
        Config->setText(details_text::translated(kNotAvailable));
        IP->setText(details_text::translated(kNotAvailable));
    } else {
        const WSADATA &info = m_state.WinsockInfo;
        Ver->setText(sockets_text::TranslatedDescription(recordText(info.szDescription)));
        Status->setText(sockets_text::TranslatedStatus(recordText(info.szSystemStatus)));
        MaxSock->setText(QString::number(info.iMaxSockets)); // unsigned 16-bit
        Config->setText(config_text::translated(m_state.AppSettings.Conn ? config_text::kConfiguredLan
                                                                         : config_text::kConfiguredDialup));
        IP->setText(monitor_text::translated(monitor_text::kDetailsAddressPrefix) + m_main.addressText());
    }
    // The texts are in: the window takes the size they need before it is
    // mapped, and stays centred.
    CentreOnScreen(*this);
    // From now on the poll keeps the address line up to date.
    m_main.setDetailsLine(IP);
}

void TVantrelWSInfo::btConfigClick()
{
    OpenModal(new TfmConfig(m_state, m_platform, m_main, Config, m_programPath, this));
}

void TVantrelWSInfo::btCloseClick()
{
    accept();
}

void TVantrelWSInfo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vantrel
