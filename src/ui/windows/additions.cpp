// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/additions.h"

#include "dialer/dialer.h"
#include "monitor/appstate.h"
#include "monitor/notices.h"
#include "monitor/publicaddress.h"
#include "platform/logging.h"
#include "platform/sockets/networkwatch.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/platform/modal.h"
#include "ui/windows/fmaddresses.h"
#include "ui/windows/fmpreferences.h"

namespace vantrel {

Additions::Additions(AppState &state, Platform &platform, TfmVantrel &main, Dialer &dialer, Services services,
                     QObject *parent)
    : QObject(parent), m_state(state), m_platform(platform), m_main(main), m_services(std::move(services))
{
    Q_ASSERT(m_services.lookup && m_services.notifier && m_services.interfaces);
    m_public = std::make_unique<PublicAddress>(*m_services.lookup, *platform.clock, m_services.makeWatch);
    m_notices = std::make_unique<EventNotices>(*m_services.notifier, m_preferences, *platform.clock);

    // Appended below Exit: every item above keeps its place and its key.
    main.appendMenuSeparator()->setObjectName(QStringLiteral("N2"));
    Addresses1 = main.appendMenuItem(tr("&Network addresses..."));
    Addresses1->setObjectName(QStringLiteral("Addresses1"));
    Preferences1 = main.appendMenuItem(tr("&Preferences..."));
    Preferences1->setObjectName(QStringLiteral("Preferences1"));
    connect(Addresses1, &QAction::triggered, this, &Additions::Addresses1Click);
    connect(Preferences1, &QAction::triggered, this, [this] { Preferences1Click(); });

    // The poll's results, for the notifications and the lookup's schedule.
    connect(&main, &TfmVantrel::statusChanged, this,
            [this] { m_notices->pollResult(m_main.online(), m_main.addressText(), m_state.CurrentEntry); });
    connect(&main, &TfmVantrel::statusChanged, this, [this, online = std::make_shared<int>(-1)] {
        const int now = m_main.online() ? 1 : 0;
        if (*online != -1 && *online != now)
            m_public->connectionChanged();
        *online = now;
    });
    connect(&dialer, &Dialer::hangUpAsked, this, [this] { m_notices->hangUpAsked(); });
    connect(&dialer, &Dialer::runEnded, this, [this](bool connected, bool abandoned) {
        m_notices->dialRunEnded(connected, abandoned, m_state.CurrentEntry);
    });
    connect(m_public.get(), &PublicAddress::addressChanged, this,
            [this](AddressFamily f, const QString &before, const QString &now) {
                m_notices->publicAddressChanged(f, before, now);
            });
    // A tip that shows the public address follows an answer at once, as the
    // bus's Tip does, rather than at the next tick.
    connect(m_public.get(), &PublicAddress::changed, this, [this] {
        if (m_preferences.PublicLookup && m_preferences.PublicInTip)
            m_main.refreshTip();
    });
    // The windows go when the program ends.
    connect(&main, &TfmVantrel::shutdownComplete, this, [this] {
        m_public->setEnabled(false);
        delete m_addresses.data();
        delete m_preferencesWindow.data();
    });

    apply(LoadPreferences(*platform.registry));
}

Additions::~Additions()
{
    m_main.setTipFilter(nullptr);
    delete m_addresses.data();
    delete m_preferencesWindow.data();
}

void Additions::apply(const Preferences &p)
{
    m_preferences = p;
    const ServerList servers = ParseServerList(p.PublicServers);
    if (!servers.bad.isEmpty())
        qCWarning(lcPublic).noquote() << "Servers left out of the public address lookup:"
                                      << servers.bad.join(QStringLiteral(", "));
    m_public->setServers(servers.servers);
    m_public->setEnabled(p.PublicLookup && !m_main.isShutDown());
    if (p.PublicLookup && p.PublicInTip)
        m_main.setTipFilter([this](const QString &text) { return tip(text); });
    else
        m_main.setTipFilter(nullptr);
    m_main.refreshTip();
}

QString Additions::tip(const QString &addressText) const
{
    const QString publicAddress = m_public->preferredAddress();
    if (publicAddress.isEmpty())
        return addressText;
    // The form stays the poll's: the address, and the host name after it in LAN mode.
    return publicAddress + addressText.mid(AddressPart(addressText).size());
}

void Additions::Addresses1Click()
{
    if (m_main.isShutDown())
        return;
    if (m_addresses) {
        m_addresses->show();
        m_addresses->raise();
        m_addresses->activateWindow();
        return;
    }
    m_addresses = new TfmAddresses(*m_services.interfaces, *m_public,
                                   m_services.makeWatch ? m_services.makeWatch() : nullptr,
                                   [this](QWidget *owner) { Preferences1Click(owner); });
    m_addresses->show();
}

void Additions::Preferences1Click(QWidget *owner)
{
    if (m_main.isShutDown())
        return;
    if (m_preferencesWindow) {
        m_preferencesWindow->raise();
        m_preferencesWindow->activateWindow();
        return;
    }
    auto *window = new TfmPreferences(
        m_preferences, *m_platform.registry, *m_platform.boxes, [this](const Preferences &p) { apply(p); }, owner);
    m_preferencesWindow = window;
    OpenModal(window, this);
}

} // namespace vantrel
