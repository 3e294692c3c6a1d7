// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells when the kernel announces a change of a link, an address or a route.
#include <QObject>

class QSocketNotifier;

namespace vantrel {

// What a user of the announcements sees; tests emit changed() themselves.
class NetworkWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void changed();
};

// The kernel's announcements on a netlink socket of its own (the same groups
// SystemInterfaces listens to), read from the event loop. Without the socket
// it never tells.
class NetlinkWatch final : public NetworkWatch {
    Q_OBJECT
public:
    explicit NetlinkWatch(QObject *parent = nullptr);
    ~NetlinkWatch() override;
    bool listening() const { return m_fd >= 0; }

private:
    void drain();
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vantrel
