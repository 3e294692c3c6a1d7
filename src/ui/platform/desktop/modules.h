// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Parts of the program that only some sessions need live in modules of their
// own, loaded when first needed: sound (Qt Multimedia and the audio stack) and
// copying on Wayland (libwayland-client). A session that never plays a sound or
// never runs on Wayland does not pay for them in memory.
#include <QFunctionPointer>
#include <QString>
#include <QStringList>

namespace vantrel {

// Where modules are looked for, in order: the module folder found from the
// program's own folder (so an installed tree that was moved still finds its
// modules), then the module folder of the install prefix. A developer build
// looks in its build folder last; an installed program never looks outside
// its prefix, so a stale or foreign build tree cannot slip code into it.
QStringList ModuleFolders();

// Loads `module` from the first of `folders` that has it and returns its
// `symbol`. nullptr when no folder has a module that loads and exports it;
// then *why (if given) holds the last loader error. A loaded module is never
// unloaded (it may keep threads or connections of its own).
QFunctionPointer ResolveModuleSymbol(const char *module, const char *symbol, const QStringList &folders,
                                     QString *why = nullptr);

} // namespace vantrel
