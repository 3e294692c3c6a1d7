// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/linetool.h"

#include "platform/ras/simline/simline.h"

#include <QTextStream>

namespace vantrel {

namespace {

QString handleText(HRASCONN h)
{
    return QStringLiteral("0x%1").arg(h, 8, 16, QLatin1Char('0'));
}

bool parseHandle(const QString &text, HRASCONN *h)
{
    bool ok = false;
    const uint v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toUInt(&ok, 16)
                                                                             : text.toUInt(&ok, 10);
    if (!ok || v == 0)
        return false;
    *h = v;
    return true;
}

bool hasControl(const QString &s)
{
    for (QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

int usageError(QTextStream &err, const QString &why)
{
    err << "vantrel-line: " << why << "\n\n" << LineToolUsage();
    err.flush();
    return 2;
}

int cmdEntries(SimLine &line, QTextStream &out, QTextStream &err)
{
    Phonebook book;
    QString why;
    if (!line.phonebook(&book, &why)) {
        err << "vantrel-line: " << why << '\n';
        return 1;
    }
    out << "Phonebook " << line.phonebookPath() << ":\n";
    if (book.entries.isEmpty())
        out << "  (no entries)\n";
    for (const PhonebookEntry &e : book.entries) {
        out << "  " << e.name << "\n    user name: " << (e.userName.isEmpty() ? QStringLiteral("(none)") : e.userName)
            << "; password: " << (e.passwordSaved ? "saved" : "not saved") << "; answer: " << e.answerText;
        if (!e.device.isEmpty())
            out << "; device: " << e.device;
        out << '\n';
    }
    return 0;
}

int cmdList(SimLine &line, QTextStream &out)
{
    const QList<LineRecord> records = line.state().read();
    if (records.isEmpty()) {
        out << "No live connections.\n";
        return 0;
    }
    for (const LineRecord &r : records) {
        const RasLiveConnection &c = r.connection;
        out << handleText(c.handle) << "  " << c.entryName << "  " << c.deviceName << "  "
            << (c.address.isEmpty() ? QStringLiteral("(dialling, process %1)").arg(r.ownerPid) : c.address) << '\n';
    }
    return 0;
}

int cmdUp(SimLine &line, const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString entry = args.at(0).trimmed();
    if (entry.isEmpty() || entry.toUtf8().size() > RAS_MaxEntryName || hasControl(entry))
        return usageError(err, QStringLiteral("an entry name must be 1 to %1 bytes of printable "
                                              "text.")
                                   .arg(RAS_MaxEntryName));
    QString address;
    QString device = QString::fromLatin1(SimLine::kDefaultDevice);
    Phonebook book;
    const bool haveBook = line.phonebook(&book);
    const PhonebookEntry *known = haveBook ? book.find(entry) : nullptr;
    if (known && !known->device.isEmpty())
        device = known->device;
    if (args.size() > 1) {
        address = args.at(1);
        if (!IsIpv4Address(address))
            return usageError(err, QStringLiteral("\"%1\" is not an IPv4 address such as "
                                                  "10.64.3.17.")
                                       .arg(address));
    } else {
        // The address the entry would be given when dialled.
        if (known)
            for (const SimAnswer &a : known->answers)
                if (a.kind == SimAnswer::Kind::Connect && !a.address.isEmpty() && address.isEmpty())
                    address = a.address;
        if (address.isEmpty())
            address = DerivedAddress(entry);
    }
    const QString name = known ? known->name : entry;
    HRASCONN h = 0;
    HRASCONN existing = 0;
    QString why;
    const bool ok = line.state().update(
        [&](QList<LineRecord> &records, HRASCONN &next) {
            for (const LineRecord &r : records)
                if (r.connection.entryName.compare(name, Qt::CaseInsensitive) == 0)
                    existing = r.connection.handle;
            if (existing)
                return false;
            h = LineState::takeHandle(records, next);
            LineRecord r;
            r.connection.handle = h;
            r.connection.entryName = name;
            r.connection.deviceType = QString::fromLatin1(SimLine::kDeviceType);
            r.connection.deviceName = device;
            r.connection.address = address;
            records.append(r);
            return true;
        },
        &why);
    if (!ok) {
        err << "vantrel-line: " << why << '\n';
        return 1;
    }
    if (existing) {
        err << "vantrel-line: " << name << " is already up (handle " << handleText(existing) << ").\n";
        return 1;
    }
    out << "Up: " << name << ", handle " << handleText(h) << ", address " << address << ".\n";
    return 0;
}

int cmdDown(SimLine &line, const QString &what, QTextStream &out, QTextStream &err)
{
    const bool all = what == QLatin1String("all");
    HRASCONN handle = 0;
    const bool isHandle = parseHandle(what, &handle);
    QList<LineRecord> dropped;
    QString why;
    const bool ok = line.state().update(
        [&](QList<LineRecord> &records, HRASCONN &) {
            // An entry name wins over a handle that reads the same.
            bool byName = false;
            for (const LineRecord &r : records)
                byName = byName || r.connection.entryName.compare(what, Qt::CaseInsensitive) == 0;
            for (qsizetype i = records.size() - 1; i >= 0; --i) {
                const RasLiveConnection &c = records.at(i).connection;
                const bool match = all
                                   || (byName ? c.entryName.compare(what, Qt::CaseInsensitive) == 0
                                              : isHandle && c.handle == handle);
                if (match)
                    dropped.prepend(records.takeAt(i));
            }
            return !dropped.isEmpty();
        },
        &why);
    if (!ok) {
        err << "vantrel-line: " << why << '\n';
        return 1;
    }
    for (const LineRecord &r : dropped)
        out << "Down: " << r.connection.entryName << ", handle " << handleText(r.connection.handle) << ".\n";
    if (dropped.isEmpty()) {
        if (all) {
            out << "No live connections.\n";
            return 0;
        }
        err << "vantrel-line: no live connection is named or numbered \"" << what << "\".\n";
        return 1;
    }
    return 0;
}

} // namespace

QString LineToolUsage()
{
    return QStringLiteral("Usage: vantrel-line COMMAND\n"
                          "Looks at and changes the Vantrel simulated line.\n"
                          "\n"
                          "  entries                  list the phonebook entries\n"
                          "  list                     list the live connections\n"
                          "  up ENTRY [ADDRESS]       bring a connection up for ENTRY, as if made by other\n"
                          "                           means, with the IPv4 ADDRESS (default: the entry's)\n"
                          "  down ENTRY|HANDLE|all    drop a live connection, as a line that goes dead\n"
                          "  help                     show this text\n"
                          "\n"
                          "Exit status: 0 done, 1 not done (see the message), 2 bad usage.\n");
}

int RunLineTool(const QStringList &args, SimLine &line, QTextStream &out, QTextStream &err)
{
    int rc = 2;
    if (args.isEmpty()) {
        rc = usageError(err, QStringLiteral("a command is needed."));
    } else {
        const QString &cmd = args.first();
        const QStringList rest = args.mid(1);
        if (cmd == QLatin1String("help") || cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) {
            out << LineToolUsage();
            rc = 0;
        } else if (cmd == QLatin1String("entries") || cmd == QLatin1String("list")) {
            if (!rest.isEmpty())
                rc = usageError(err, QStringLiteral("\"%1\" takes no arguments.").arg(cmd));
            else
                rc = cmd == QLatin1String("list") ? cmdList(line, out) : cmdEntries(line, out, err);
        } else if (cmd == QLatin1String("up")) {
            if (rest.isEmpty() || rest.size() > 2)
                rc = usageError(err, QStringLiteral("\"up\" takes an entry name and an optional "
                                                    "address."));
            else
                rc = cmdUp(line, rest, out, err);
        } else if (cmd == QLatin1String("down")) {
            if (rest.size() != 1)
                rc = usageError(err, QStringLiteral("\"down\" takes an entry name, a handle or "
                                                    "\"all\"."));
            else
                rc = cmdDown(line, rest.first(), out, err);
        } else {
            rc = usageError(err, QStringLiteral("unknown command \"%1\".").arg(cmd));
        }
    }
    out.flush();
    err.flush();
    return rc;
}

} // namespace vantrel
