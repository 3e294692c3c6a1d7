// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated line's phonebook: entries with their stored credentials and how
// the far end answers each dial attempt.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// How the far end answers one dial attempt.
struct SimAnswer {
    enum class Kind { Connect, Busy, NoAnswer, AuthFail };
    Kind kind = Kind::Connect;
    double seconds = -1; // length of the attempt at speed 1; below 0: the kind's default
    QString address;     // Connect only; empty: derived from the entry name
};

// Parses an Answer value: one answer or a comma-separated list for successive
// attempts. Each answer is `connect [seconds] [address]`, `busy [seconds]`,
// `noanswer [seconds]` or `authfail [seconds]`. False with a reason on bad text.
bool ParseAnswers(const QString &text, QList<SimAnswer> *out, QString *why);
QString AnswerKindName(SimAnswer::Kind kind);
// Length of an attempt at speed 1 when the answer gives none.
double DefaultAnswerSeconds(SimAnswer::Kind kind);
// The address a connect answer without one hands out: 10.64.x.y from the name.
QString DerivedAddress(const QString &entryName);
// Strict dotted-quad check (four numbers 0-255, no leading zeros).
bool IsIpv4Address(const QString &text);

struct PhonebookEntry {
    QString name;
    QString userName;
    QString password;
    bool passwordSaved = false; // a Password line is present (possibly empty)
    QString answerText;         // as written; "connect" when absent
    QList<SimAnswer> answers;   // never empty
    QString device;             // device name; empty: the default one
    int line = 0;               // line of the section header
};

struct Phonebook {
    QList<PhonebookEntry> entries; // in file order
    QStringList problems;          // "line N: reason; the line is skipped." and the like

    // Entry names compare without regard to case, as the dialler's do.
    const PhonebookEntry *find(const QString &name) const;
};

// A phonebook holds a handful of entries (the dialler lists at most 100); a
// file larger than this is refused unread.
constexpr qint64 kMaxPhonebookBytes = 1024 * 1024;

// Strict reader of the phonebook text. Never fails: whatever it cannot take is
// skipped and described in `problems`.
Phonebook ParsePhonebook(const QByteArray &text);
// The phonebook written on first use.
QByteArray SamplePhonebook();
} // namespace vantrel
