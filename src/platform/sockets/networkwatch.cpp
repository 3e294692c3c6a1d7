// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sockets/networkwatch.h"

#include <QSocketNotifier>

#include <cerrno>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantrel {

NetlinkWatch::NetlinkWatch(QObject *parent) : NetworkWatch(parent)
{
    m_fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (m_fd < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &NetlinkWatch::drain);
}

NetlinkWatch::~NetlinkWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

// Empties the queue (a burst of announcements is one change) and tells once.
void NetlinkWatch::drain()
{
    char buf[8192];
    for (int i = 0; i < 64; ++i) {
        const ssize_t got = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
    }
    emit changed();
}

} // namespace vantrel
