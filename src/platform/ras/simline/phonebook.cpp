// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/phonebook.h"

#include "platform/ras/ras.h"

#include <QCoreApplication>
#include <QSet>
#include <QStringDecoder>

#include <cmath>

namespace vantrel {

// ---------------------------------------------------------------------------
// Answers

QString AnswerKindName(SimAnswer::Kind kind)
{
    switch (kind) {
    case SimAnswer::Kind::Connect: return QStringLiteral("connect");
    case SimAnswer::Kind::Busy: return QStringLiteral("busy");
    case SimAnswer::Kind::NoAnswer: return QStringLiteral("noanswer");
    case SimAnswer::Kind::AuthFail: return QStringLiteral("authfail");
    }
    return {};
}

double DefaultAnswerSeconds(SimAnswer::Kind kind)
{
    switch (kind) {
    case SimAnswer::Kind::Connect: return 3.0;
    case SimAnswer::Kind::Busy: return 2.0;
    case SimAnswer::Kind::NoAnswer: return 8.0;
    case SimAnswer::Kind::AuthFail: return 4.0;
    }
    return 3.0;
}

bool IsIpv4Address(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &p : parts) {
        if (p.isEmpty() || p.size() > 3 || (p.size() > 1 && p.at(0) == QLatin1Char('0')))
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

QString DerivedAddress(const QString &entryName)
{
    // FNV-1a over the folded name: the same entry gets the same address in every
    // process (qHash is seeded per process).
    std::uint32_t h = 2166136261u;
    for (char c : entryName.toCaseFolded().toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return QStringLiteral("10.64.%1.%2").arg((h >> 8) & 0xFF).arg(h % 254 + 1);
}

bool ParseAnswers(const QString &text, QList<SimAnswer> *out, QString *why)
{
    QList<SimAnswer> answers;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &raw : items) {
        const QStringList tokens = raw.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens.isEmpty()) {
            *why = QCoreApplication::translate("Phonebook", "an answer in the list is empty");
            return false;
        }
        SimAnswer a;
        const QString kind = tokens.first().toLower();
        if (kind == QLatin1String("connect"))
            a.kind = SimAnswer::Kind::Connect;
        else if (kind == QLatin1String("busy"))
            a.kind = SimAnswer::Kind::Busy;
        else if (kind == QLatin1String("noanswer"))
            a.kind = SimAnswer::Kind::NoAnswer;
        else if (kind == QLatin1String("authfail"))
            a.kind = SimAnswer::Kind::AuthFail;
        else {
            *why = QCoreApplication::translate("Phonebook", "\"%1\" is not an answer (connect, busy, noanswer or authfail)")
                       .arg(tokens.first());
            return false;
        }
        qsizetype i = 1;
        if (i < tokens.size() && !IsIpv4Address(tokens.at(i))) {
            bool ok = false;
            const double s = tokens.at(i).toDouble(&ok);
            if (!ok || !std::isfinite(s) || s < 0 || s > 3600) {
                *why = QCoreApplication::translate("Phonebook", "\"%1\" is neither a number of seconds (0 to 3600) nor an "
                                                                "IPv4 address")
                           .arg(tokens.at(i));
                return false;
            }
            a.seconds = s;
            ++i;
        }
        if (i < tokens.size() && a.kind == SimAnswer::Kind::Connect) {
            if (!IsIpv4Address(tokens.at(i))) {
                *why = QCoreApplication::translate("Phonebook", "\"%1\" is not an IPv4 address").arg(tokens.at(i));
                return false;
            }
            a.address = tokens.at(i);
            ++i;
        }
        if (i < tokens.size()) {
            *why = QCoreApplication::translate("Phonebook", "unexpected \"%1\" after %2").arg(tokens.at(i), kind);
            return false;
        }
        answers.append(a);
    }
    *out = answers;
    return true;
}

// ---------------------------------------------------------------------------
// Phonebook

const PhonebookEntry *Phonebook::find(const QString &name) const
{
    for (const PhonebookEntry &e : entries)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

namespace {

bool hasControl(const QString &s)
{
    for (QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

} // namespace

Phonebook ParsePhonebook(const QByteArray &text)
{
    Phonebook book;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    PhonebookEntry *current = nullptr;
    bool skippingSection = false;
    QSet<QString> seenKeys;
    QSet<QString> seenNames; // case-folded, as names compare

    const auto problem = [&book](int n, const QString &why) {
        book.problems.append(QCoreApplication::translate("Phonebook", "line %1: %2").arg(n).arg(why));
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        QByteArray bytes = lines.at(i);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (i == 0 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder.decode(bytes);
        if (decoder.hasError()) {
            problem(n, QCoreApplication::translate("Phonebook", "not valid UTF-8 text; the line is skipped."));
            continue;
        }
        const QString line = decoded.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;

        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            skippingSection = true;
            seenKeys.clear();
            if (!line.endsWith(QLatin1Char(']'))) {
                problem(n, QCoreApplication::translate("Phonebook",
                                                       "an entry header must end with \"]\"; the entry is skipped."));
                continue;
            }
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (name.isEmpty()) {
                problem(n, QCoreApplication::translate("Phonebook", "the entry has no name; it is skipped."));
            } else if (name.toUtf8().size() > RAS_MaxEntryName) {
                problem(n, QCoreApplication::translate("Phonebook", "the entry name is longer than %1 bytes; the entry is "
                                                                    "skipped.")
                               .arg(RAS_MaxEntryName));
            } else if (hasControl(name) || name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'))) {
                problem(n, QCoreApplication::translate("Phonebook", "the entry name holds control characters or brackets; "
                                                                    "the entry is skipped."));
            } else if (seenNames.contains(name.toCaseFolded())) {
                problem(n,
                        QCoreApplication::translate("Phonebook", "entry \"%1\" appears twice; the second one is skipped.")
                            .arg(name));
            } else {
                seenNames.insert(name.toCaseFolded());
                PhonebookEntry e;
                e.name = name;
                e.line = n;
                e.answerText = QStringLiteral("connect");
                e.answers = {SimAnswer{}};
                book.entries.append(e);
                current = &book.entries.last();
                skippingSection = false;
            }
            continue;
        }

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            problem(n,
                    QCoreApplication::translate("Phonebook", "expected [entry name], Key=value or a comment; the line is "
                                                             "skipped."));
            continue;
        }
        if (skippingSection)
            continue; // its header was already reported
        if (!current) {
            problem(n, QCoreApplication::translate("Phonebook", "a value before the first [entry]; the line is skipped."));
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const QString folded = key.toLower();
        int limit = 0;
        QString canonical;
        if (folded == QLatin1String("username")) {
            canonical = QStringLiteral("UserName");
            limit = UNLEN;
        } else if (folded == QLatin1String("password")) {
            canonical = QStringLiteral("Password");
            limit = PWLEN;
        } else if (folded == QLatin1String("answer")) {
            canonical = QStringLiteral("Answer");
            limit = 4096;
        } else if (folded == QLatin1String("device")) {
            canonical = QStringLiteral("Device");
            limit = RAS_MaxDeviceName;
        } else {
            problem(n, QCoreApplication::translate("Phonebook", "unknown key \"%1\" (known: UserName, Password, Answer, "
                                                                "Device); the line is skipped.")
                           .arg(key));
            continue;
        }
        if (seenKeys.contains(canonical)) {
            problem(n, QCoreApplication::translate("Phonebook", "%1 is given twice for \"%2\"; the later line is skipped.")
                           .arg(canonical, current->name));
            continue;
        }
        if (value.toUtf8().size() > limit) {
            problem(n, QCoreApplication::translate("Phonebook", "%1 is longer than %2 bytes; the line is skipped.")
                           .arg(canonical)
                           .arg(limit));
            continue;
        }
        if (hasControl(value)) {
            problem(n, QCoreApplication::translate("Phonebook", "%1 holds control characters; the line is skipped.")
                           .arg(canonical));
            continue;
        }
        seenKeys.insert(canonical);
        if (canonical == QLatin1String("UserName")) {
            current->userName = value;
        } else if (canonical == QLatin1String("Password")) {
            current->password = value;
            current->passwordSaved = true;
        } else if (canonical == QLatin1String("Device")) {
            current->device = value;
        } else {
            QList<SimAnswer> answers;
            QString why;
            if (!ParseAnswers(value, &answers, &why)) {
                problem(n, QCoreApplication::translate("Phonebook", "Answer: %1; the line is skipped and \"%2\" connects.")
                               .arg(why, current->name));
                continue;
            }
            current->answerText = value;
            current->answers = answers;
        }
    }
    return book;
}

QByteArray SamplePhonebook()
{
    return QByteArrayLiteral("; Phonebook of the Vantrel simulated line.\n"
                             "; One [section] per entry, in the order the entries are listed. Keys:\n"
                             ";   UserName=  the stored user name\n"
                             ";   Password=  the saved password (leave the line out: no saved password)\n"
                             ";   Answer=    how the line answers a dial: connect [seconds] [address],\n"
                             ";              busy [seconds], noanswer [seconds] or authfail [seconds];\n"
                             ";              a comma-separated list answers successive attempts in turn,\n"
                             ";              the last one repeating\n"
                             ";   Device=    the device name shown for the connection\n"
                             "; The program never writes this file; edit it with any text editor.\n"
                             "\n"
                             "[Morvent Online]\n"
                             "UserName=guest\n"
                             "Password=guest\n"
                             "Answer=connect 3 10.64.3.17\n"
                             "\n"
                             "[Night Line]\n"
                             "UserName=night\n"
                             "Answer=busy, busy, connect 4 10.64.7.42\n"
                             "\n"
                             "[Campus Modem]\n"
                             "UserName=student\n"
                             "Password=expired\n"
                             "Answer=authfail\n"
                             "Device=Campus Pool Modem\n");
}

} // namespace vantrel
