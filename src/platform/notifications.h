// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Desktop notifications (org.freedesktop.Notifications), sent without waiting.
#include <QObject>
#include <QString>

namespace vantrel {

struct Notice {
    enum class Urgency : unsigned char { Low = 0, Normal = 1, Critical = 2 };
    QString summary;
    QString body; // plain text; escaped for servers that read markup
    Urgency urgency = Urgency::Normal;
    bool operator==(const Notice &) const = default;
};

// The platform stand-in; tests record what would be shown.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const Notice &notice) = 0;
};

// Notify on the session bus with the app name "Vantrel" and the icon
// "vantrel". The call is asynchronous: nobody waits for the server. When it
// fails (no bus, no notification server) the program carries on, and the
// first failure is said once on the vantrel.tray logging category.
class FreedesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    explicit FreedesktopNotifier(QObject *parent = nullptr);
    void notify(const Notice &notice) override;

private:
    void failed(const QString &why);
    bool m_told = false;
};

} // namespace vantrel
