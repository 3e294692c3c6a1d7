// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Copying text on a Wayland desktop.
//
// A compositor hands the clipboard (wl_data_device.set_selection) only to a
// client that has just had input: weston refuses a request whose serial is
// older than that of the selection it replaces, wlroots one whose serial it
// never sent to the client, GNOME and KDE one from a client without keyboard
// focus. A tray program has no window with input, and Qt 6.4 sends the serial
// of the last pointer or key event it saw, which is 0 when there was none, so
// Qt's own copy is dropped as soon as any other program has copied before.
//
// CopyOnWayland opens a connection of its own to the compositor, maps a 1x1
// transparent window, and sets the selection with the serial of the keyboard
// focus the compositor gives that window. The window goes at once; the
// connection stays to hand the text to whoever pastes, until another program
// copies (or this one ends, as with any clipboard owner).
//
// The copy itself lives in the module vantrel-wayland (see modules.h), loaded
// at the first copy on Wayland: an X11 session never maps libwayland-client.
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

namespace vantrel {

// Puts `text` on the Wayland clipboard. The copy completes later, from the
// event loop. When it cannot be done (no compositor connection, a compositor
// without a keyboard or clipboard, or no keyboard focus for the window within
// `focusWait`), `failed` is called with the reason as a sentence fragment
// ("the desktop did not give ..."), unless `context` is gone by then; also
// when the module cannot be loaded.
void CopyOnWayland(const QString &text, QObject *context, std::function<void(const QString &reason)> failed,
                   std::chrono::milliseconds focusWait = std::chrono::seconds(3));

// The module's entry point, vantrel_copy_on_wayland, with the same contract.
using CopyOnWaylandEntry = void (*)(const QString &text, QObject *context,
                                    std::function<void(const QString &reason)> failed, std::chrono::milliseconds focusWait);

} // namespace vantrel
