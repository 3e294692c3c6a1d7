// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tray gains beyond its own items: the public address lookup, the
// "Network addresses" and "Preferences" windows (two items appended at the end
// of the tray menu, below Exit, so that no item above them moves or changes
// its key), the public address in the tip when asked for, and the desktop
// notifications. With every preference off (the default) nothing of it runs:
// no request, no socket, no notification, and the tip is the poll's own.
#include "monitor/preferences.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace vantrel {

struct AppState;
struct Platform;
class Clock;
class DesktopNotifier;
class Dialer;
class EventNotices;
class InterfaceSource;
class NetworkWatch;
class PublicAddress;
class PublicAddressLookup;
class TfmVantrel;

class Additions : public QObject {
    Q_OBJECT
public:
    struct Services {
        PublicAddressLookup *lookup = nullptr;
        DesktopNotifier *notifier = nullptr;
        InterfaceSource *interfaces = nullptr;
        std::function<std::unique_ptr<NetworkWatch>()> makeWatch;
    };
    // Reads the preferences and starts what they ask for.
    Additions(AppState &state, Platform &platform, TfmVantrel &main, Dialer &dialer, Services services,
              QObject *parent = nullptr);
    ~Additions() override;

    // The public addresses (address4(), address6(), changed()).
    PublicAddress &publicAddress() { return *m_public; }
    const Preferences &preferences() const { return m_preferences; }
    // Puts new preferences into effect (the Preferences window's OK).
    void apply(const Preferences &p);

    QAction *Addresses1 = nullptr;   // "&Network addresses..."
    QAction *Preferences1 = nullptr; // "&Preferences..."
    void Addresses1Click();
    void Preferences1Click(QWidget *owner = nullptr);
    QWidget *addressesWindow() const { return m_addresses; }
    QWidget *preferencesWindow() const { return m_preferencesWindow; }

private:
    QString tip(const QString &addressText) const;

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_main;
    Services m_services;
    Preferences m_preferences;
    std::unique_ptr<PublicAddress> m_public;
    std::unique_ptr<EventNotices> m_notices;
    QPointer<QWidget> m_addresses;
    QPointer<QWidget> m_preferencesWindow;
};

} // namespace vantrel
