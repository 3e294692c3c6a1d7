// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Folders that hold what only the user's own processes may change: the
// single-instance socket and the simulated line's state. Anyone else who can
// write there could take the socket's name first or put a forged state in place.
#include <QString>

namespace vantrel {

// Why `path` is not a private folder of this user, or empty when it is one: a
// folder (not a link to one) owned by the effective user, with no permission
// for the group or others.
QString PrivateFolderProblem(const QString &path);

// The user's runtime folder ($XDG_RUNTIME_DIR when it is private, else a
// private folder of the user's own under the temporary folder), or empty when
// there is no private one.
QString UserRuntimeFolder();

} // namespace vantrel
