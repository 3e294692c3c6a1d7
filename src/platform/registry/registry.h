// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The registry stand-in: two hives of keys holding typed values. Key paths and
// value names compare without regard to case. The interface is the thin layer the
// program needs (open with or without creating, typed query, set, delete, close);
// FileRegistry keeps each hive in a text file, tests may substitute their own.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantrel {

enum class Hive { CurrentUser, LocalMachine };

enum class RegType : DWORD {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7,
};

struct RegValue {
    RegType type = RegType::None;
    QString text;     // Sz, ExpandSz
    DWORD number = 0; // Dword
    QByteArray bytes; // Binary and any other type, raw

    static RegValue string(const QString &s)
    {
        RegValue v;
        v.type = RegType::Sz;
        v.text = s;
        return v;
    }
    static RegValue dword(DWORD n)
    {
        RegValue v;
        v.type = RegType::Dword;
        v.number = n;
        return v;
    }
    bool operator==(const RegValue &) const = default;
};

// Result codes, as a registry reports them.
enum class RegStatus : DWORD {
    Success = 0,
    FileNotFound = 2, // key or value does not exist
    AccessDenied = 5, // cannot be written (read-only file, damaged hive kept aside...)
    InvalidHandle = 6,
    WriteFault = 29, // the hive file could not be written
};

// Why a write failed, as far as the registry can tell: the file it could not
// write and the system's reason. Empty when it cannot tell.
struct RegWriteFailure {
    QString file;
    QString reason;
    bool operator==(const RegWriteFailure &) const = default;
};

// An open key. Obtained from Registry::openKey, given back with closeKey.
struct RegKey {
    Hive hive = Hive::CurrentUser;
    QString path; // normalised: no leading or trailing backslash
    bool valid = false;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens \path under the hive; with create, missing keys on the way are made.
    virtual RegStatus openKey(Hive hive, const QString &path, bool create, RegKey *key) = 0;
    virtual RegStatus queryValue(const RegKey &key, const QString &name, RegValue *value) = 0;
    virtual RegStatus setValue(const RegKey &key, const QString &name, const RegValue &value) = 0;
    virtual RegStatus deleteValue(const RegKey &key, const QString &name) = 0;
    virtual void closeKey(RegKey *key) = 0;

    // Why the last openKey, setValue or deleteValue could not write, for
    // telling the user; empty after a call that did not fail to write.
    virtual RegWriteFailure lastWriteFailure() const { return {}; }
};

} // namespace vantrel
