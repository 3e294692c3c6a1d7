// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmpreferences.h"

#include "platform/messageboxes.h"
#include "platform/stun/stunlookup.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

TfmPreferences::TfmPreferences(const Preferences &current, Registry &registry, MessageBoxes &boxes,
                               std::function<void(const Preferences &)> apply, QWidget *parent)
    : QDialog(parent), m_registry(registry), m_boxes(boxes), m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("fmPreferences"));
    setWindowTitle(tr("Preferences"));

    const auto box = [this](const char *name, const QString &caption, bool on) {
        auto *b = new QCheckBox(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setChecked(on);
        return b;
    };

    auto *publicGroup = new QGroupBox(tr("Public address"), this);
    cxPublic = box("cxPublic", tr("&Look up the public address"), current.PublicLookup);
    auto *explain = new QLabel(
        tr("Vantrel then sends a STUN Binding request (20 bytes that say nothing about you) over UDP, "
           "for IPv4 and for IPv6, to the first server below that answers: at start, when the network "
           "or the connection changes, and every 5 minutes. The server sees the address your requests "
           "come from, as any server you reach does."),
        this);
    explain->setWordWrap(true);
    // The explanation wraps at a width of its own, in a few lines rather than
    // a tall narrow column, and asks for the height of all its lines: a
    // window's layout sizes it from the label's one-line hint otherwise and
    // cuts the last lines at a larger font.
    const int textWidth = fontMetrics().averageCharWidth() * 60;
    explain->setFixedWidth(textWidth);
    explain->setMinimumHeight(explain->heightForWidth(textWidth));
    auto *serversLabel = new QLabel(tr("&Servers (host or host:port, one per line):"), this);
    edServers = new QPlainTextEdit(this);
    edServers->setObjectName(QStringLiteral("edServers"));
    edServers->setTabChangesFocus(true);
    edServers->setPlainText(ParseServerList(current.PublicServers).bad.isEmpty()
                                ? SplitServerEntries(current.PublicServers).join(QLatin1Char('\n'))
                                : current.PublicServers);
    edServers->setAccessibleName(tr("Servers"));
    serversLabel->setBuddy(edServers);
    edServers->setFixedHeight(edServers->fontMetrics().lineSpacing() * 4 + 2 * edServers->frameWidth() + 8);
    cxTip = box("cxTip", tr("Show the public address in the &tip"), current.PublicInTip);
    auto *publicLayout = new QVBoxLayout(publicGroup);
    publicLayout->addWidget(cxPublic);
    publicLayout->addWidget(explain);
    publicLayout->addWidget(serversLabel);
    publicLayout->addWidget(edServers);
    publicLayout->addWidget(cxTip);

    auto *noticeGroup = new QGroupBox(tr("Desktop notifications"), this);
    cxConnected = box("cxConnected", tr("Connection &up"), current.NotifyConnected);
    cxDropped = box("cxDropped", tr("Connection &dropped without hanging up"), current.NotifyDropped);
    cxAddress = box("cxAddress", tr("Local &address changed"), current.NotifyAddress);
    cxPublicChanged = box("cxPublicChanged", tr("&Public address changed"), current.NotifyPublic);
    cxDialFailed = box("cxDialFailed", tr("Dial run &ended without a connection"), current.NotifyDialFailed);
    auto *noticeLayout = new QVBoxLayout(noticeGroup);
    for (QCheckBox *b : {cxConnected, cxDropped, cxAddress, cxPublicChanged, cxDialFailed})
        noticeLayout->addWidget(b);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfmPreferences::btOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const auto follow = [this] {
        edServers->setEnabled(cxPublic->isChecked());
        cxTip->setEnabled(cxPublic->isChecked());
        cxPublicChanged->setEnabled(cxPublic->isChecked());
    };
    connect(cxPublic, &QCheckBox::toggled, this, follow);
    follow();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(publicGroup);
    layout->addWidget(noticeGroup);
    layout->addWidget(buttons);
}

Preferences TfmPreferences::chosen() const
{
    Preferences p;
    p.PublicLookup = cxPublic->isChecked();
    p.PublicServers = ParseServerList(edServers->toPlainText()).bad.isEmpty()
                          ? SplitServerEntries(edServers->toPlainText()).join(QLatin1Char(' '))
                          : edServers->toPlainText();
    p.PublicInTip = cxTip->isChecked();
    p.NotifyConnected = cxConnected->isChecked();
    p.NotifyDropped = cxDropped->isChecked();
    p.NotifyAddress = cxAddress->isChecked();
    p.NotifyPublic = cxPublicChanged->isChecked();
    p.NotifyDialFailed = cxDialFailed->isChecked();
    return p;
}

void TfmPreferences::btOKClick()
{
    const Preferences p = chosen();
    const ServerList servers = ParseServerList(p.PublicServers);
    QString problem;
    if (!servers.bad.isEmpty())
        problem = tr("These servers cannot be used: %1. Write each as a host name or address, with :port "
                     "where it is not 3478, and an IPv6 address in brackets before a port: [2001:db8::1]:3478.")
                      .arg(servers.bad.join(QStringLiteral(", ")));
    else if (p.PublicLookup && servers.servers.isEmpty())
        problem = tr("The lookup needs at least one server.");
    if (!problem.isEmpty()) {
        m_boxes.open({MessageBoxes::messageTitle(), problem, MessageBoxes::Icon::Warning}, this,
                     [this](MessageBoxes::Answer) { edServers->setFocus(); });
        return;
    }
    if (!StorePreferences(m_registry, p))
        m_boxes.warning(tr("The preferences could not be stored; they hold until Vantrel ends."));
    if (m_apply)
        m_apply(p);
    accept();
}

} // namespace vantrel
