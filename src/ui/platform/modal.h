// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QDialog;
class QObject;

namespace vantrel {

// Opens a dialog the way every modal window of the program opens: modal to the
// window it was opened from (its parent chain) and to nothing else, without
// waiting for it. The dialog is deleted once it has closed; `closed` runs
// then with its result, unless `context` (when given) is gone by then.
//
// Qt's default for a modal run is application-modal, which also blocks the
// tray icon's own window (the XEmbed icon is an ordinary top-level window of
// the program), the tray menu and any alarm message that pops up meanwhile. A
// window opened from the tray (no parent) blocks no other window at all, and
// one opened from another window blocks just that window.
void OpenModal(QDialog *dialog, QObject *context = nullptr, std::function<void(int)> closed = {});

} // namespace vantrel
