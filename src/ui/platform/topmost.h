// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>

namespace vantrel {

// Makes the visible stay-on-top windows ordinary for as long as it lives, so that
// they cannot cover a box or dialog shown meanwhile, and puts them back on top
// afterwards. Inactive when constructed with false, and on Wayland.
class TopMostSetAside {
public:
    explicit TopMostSetAside(bool active);
    ~TopMostSetAside();
    // Puts the windows back on top now (once). A window hidden meanwhile stays
    // hidden: it only gets its flag back.
    void restore();
    TopMostSetAside(const TopMostSetAside &) = delete;
    TopMostSetAside &operator=(const TopMostSetAside &) = delete;

private:
    QList<QPointer<QWidget>> m_lowered;
};

} // namespace vantrel
