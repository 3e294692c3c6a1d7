// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/support/recordingnotifyicon.h"

#include <cstring>

namespace vantrel {

bool RecordingNotifyIcon::Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data)
{
    if (!data)
        return false;
    commands.append({message, *data});
    if (failAll || data->cbSize != sizeof(NOTIFYICONDATAA))
        return false;
    const quint64 k = key(data->hWnd, data->uID);
    switch (message) {
    case NIM_ADD:
        if (m_shown.contains(k))
            return false;
        m_shown.insert(k, *data);
        return true;
    case NIM_MODIFY: {
        auto it = m_shown.find(k);
        if (it == m_shown.end())
            return false;
        if (data->uFlags & NIF_MESSAGE)
            it->uCallbackMessage = data->uCallbackMessage;
        if (data->uFlags & NIF_ICON)
            it->hIcon = data->hIcon;
        if (data->uFlags & NIF_TIP)
            std::memcpy(it->szTip, data->szTip, sizeof it->szTip);
        return true;
    }
    case NIM_DELETE: return m_shown.remove(k);
    default: return false;
    }
}

std::optional<NOTIFYICONDATAA> RecordingNotifyIcon::shown(HWND32 window, DWORD id) const
{
    const auto it = m_shown.constFind(key(window, id));
    if (it == m_shown.constEnd())
        return std::nullopt;
    return *it;
}

void RecordingNotifyIcon::SetIconMenu(HWND32 window, DWORD id, QMenu *menu)
{
    if (menu)
        m_menus.insert(key(window, id), menu);
    else
        m_menus.remove(key(window, id));
}

bool RecordingNotifyIcon::click(HWND32 window, DWORD id, DWORD mouseMessage)
{
    const auto it = m_shown.constFind(key(window, id));
    if (it == m_shown.constEnd())
        return false;
    return sendToWindow(window, it->uCallbackMessage, id, mouseMessage);
}

} // namespace vantrel
