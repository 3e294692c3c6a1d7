// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One registry hive in memory, and its text form on disk: the subset of the Wine
// registry hive format that Vantrel writes, read back strictly.
//
//   WINE REGISTRY Version 2
//
//   [Software\\Morvent\\Vantrel]
//   "Wave"="C:\\sounds\\ding.wav"
//   "Conn"=dword:00000001
//   "Path"=str(2):"%HOME%\\x"
//   "Blob"=hex:01,02,ff
//   "Multi"=hex(7):61,00,00,00
//   @="unnamed value"
//
// Keys and value names compare without regard to case; the spelling first
// written is the one kept and written back.
#include "platform/registry/registry.h"

#include <QByteArray>
#include <QString>

#include <map>

namespace vantrel::hive {

// The form used to compare key paths and value names.
inline QString fold(const QString &s)
{
    return s.toCaseFolded();
}

struct Value {
    QString name; // as first written; empty for the unnamed value
    RegValue value;
    bool operator==(const Value &) const = default;
};

struct Key {
    QString path;                    // as first written, components joined by single backslashes
    std::map<QString, Value> values; // by folded name
    // The key's section of the file as last written; empty when it must be made
    // anew. A large hive is rewritten at every change, mostly unchanged: only
    // the changed key's section is formatted again. Call touch() after a change.
    mutable QByteArray text;

    void touch() { text.clear(); }
    bool operator==(const Key &o) const { return path == o.path && values == o.values; }
};

class Data {
public:
    // By folded path. A key also exists when only keys below it are listed.
    std::map<QString, Key> keys;

    bool keyExists(const QString &foldedPath) const;
    Key *findKey(const QString &foldedPath);
    const Key *findKey(const QString &foldedPath) const;
    // Adds the key if missing (the spelling of existing parent components is
    // kept); tells through `created` whether it was added.
    Key &ensureKey(const QString &path, bool *created = nullptr);
    // The spelling under which a folded path (or the part of it that exists)
    // is already known, completed with `path`'s own spelling for the rest.
    QString knownSpelling(const QString &path) const;

    bool operator==(const Data &) const = default;
};

// Keeps only the parts of a value that its type uses, so that equal settings
// compare equal.
RegValue normalised(const RegValue &v);

// Splits a key path given with or without leading and trailing backslashes.
// Returns false for a path with an empty component ("a\\\\b").
bool normalisePath(const QString &path, QString *normal);

// Parses the whole text of a hive file. On failure returns false and says why
// (with the line number) in `error`; `out` is then left unchanged.
bool parse(const QByteArray &text, Data *out, QString *error);

// The text of a hive file: pure ASCII, LF line ends, keys in folded order.
QByteArray serialise(const Data &data);

} // namespace vantrel::hive
