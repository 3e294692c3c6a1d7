// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDialog;

namespace vantrel {

// Runs a dialog modally the way every modal window and box of the program runs:
// modal to the window it was opened from (its parent chain) and to nothing else.
//
// Qt's default for exec() is application-modal, which also blocks the tray icon's
// own window (the XEmbed icon is an ordinary top-level window of the program), the
// tray menu and any alarm message that pops up meanwhile. The program's timers and
// tray callback must keep working while a modal window is up, and the user must be
// able to reach the tray, so a window opened from the tray (no parent) blocks no
// other window at all, and one opened from another window blocks just that window.
int ExecModal(QDialog &dialog);

} // namespace vantrel
