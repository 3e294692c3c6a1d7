// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/platform/desktop/notifyicon.h"

#include <QHash>
#include <QList>
#include <QMenu>

#include <optional>

namespace vantrel {

// Records every command and lets a test click the icon.
class RecordingNotifyIcon final : public NotifyIcon {
public:
    struct Command {
        DWORD message;
        NOTIFYICONDATAA data;
    };

    bool Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data) override;
    void SetIconMenu(HWND32 window, DWORD id, QMenu *menu) override;

    // The menu last set for the icon (window, id), if any.
    QMenu *menu(HWND32 window, DWORD id) const { return m_menus.value(key(window, id)); }

    // Sends the mouse message for the icon (window, id) as the tray would;
    // false when no such icon is shown.
    bool click(HWND32 window, DWORD id, DWORD mouseMessage);

    bool isShown(HWND32 window, DWORD id) const { return m_shown.contains(key(window, id)); }
    // The record of the icon as the last add or modify left it.
    std::optional<NOTIFYICONDATAA> shown(HWND32 window, DWORD id) const;

    QList<Command> commands;
    bool failAll = false; // every command fails, as without a taskbar

private:
    static quint64 key(HWND32 window, DWORD id) { return (quint64(window) << 32) | id; }
    QHash<quint64, NOTIFYICONDATAA> m_shown;
    QHash<quint64, QMenu *> m_menus;
};

} // namespace vantrel
