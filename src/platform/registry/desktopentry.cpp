// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/desktopentry.h"

namespace vantrel::desktopentry {

namespace {

bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    // Any other white space or control character as well: readers trim white
    // space of every kind (form feed, vertical tab, no-break space...) from the
    // ends of a value, and only quotes keep it.
    return reserved.contains(c) || c.isSpace() || c.category() == QChar::Other_Control;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Blanks around the '=' are not part of the key or the value; other white
// space is (the file's own rules ignore only spaces there).
QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// Escapes of every string value in a desktop file.
QString escapeString(const QString &s)
{
    QString out;
    out.reserve(s.size() + 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char(' ') && i == 0) // a leading blank would be trimmed
            out += QLatin1String("\\s");
        else
            out += c;
    }
    return out;
}

QString unescapeString(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != QLatin1Char('\\') || i + 1 == s.size()) {
            out += c;
            continue;
        }
        const QChar e = s[++i];
        switch (e.unicode()) {
        case '\\': out += QLatin1Char('\\'); break;
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        default:
            // Not a string escape: left for the Exec quoting rules to read.
            out += c;
            out += e;
            break;
        }
    }
    return out;
}

// `%%` is a literal percent; a lone field code is dropped by the caller.
QString unescapePercent(const QString &arg)
{
    QString out;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        out += arg[i];
        if (arg[i] == QLatin1Char('%') && i + 1 < arg.size() && arg[i + 1] == QLatin1Char('%'))
            ++i;
    }
    return out;
}

bool isFieldCode(const QString &arg)
{
    return arg.size() == 2 && arg[0] == QLatin1Char('%') && arg[1] != QLatin1Char('%');
}

} // namespace

QString quoteArgument(const QString &arg)
{
    bool needsQuotes = arg.isEmpty();
    for (const QChar c : arg)
        needsQuotes = needsQuotes || isReserved(c);
    if (!needsQuotes)
        return arg;
    QString out = QStringLiteral("\"");
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString execValue(const QStringList &args)
{
    QStringList quoted;
    for (const QString &a : args)
        quoted << quoteArgument(a).replace(QLatin1Char('%'), QLatin1String("%%"));
    return escapeString(quoted.join(QLatin1Char(' ')));
}

std::optional<QStringList> execArguments(const QString &value)
{
    const QString line = unescapeString(value);
    QStringList args;
    QString current;
    bool inArg = false, quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                current += line[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArg) {
                args << current;
                current.clear();
                inArg = false;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArg = true;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArg)
        args << current;
    QStringList out;
    for (const QString &a : args)
        if (!isFieldCode(a))
            out << unescapePercent(a);
    return out;
}

std::optional<QString> tryExecValue(const QString &programPath)
{
    // TryExec is a plain string: readers trim white space at its ends, and
    // the escapes cannot keep every kind (form feed, no-break space...), nor
    // may a string hold control characters other than the escaped ones.
    if (programPath.isEmpty() || programPath.front().isSpace() || programPath.back().isSpace())
        return std::nullopt;
    for (const QChar c : programPath)
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t') && c != QLatin1Char('\n')
            && c != QLatin1Char('\r'))
            return std::nullopt;
    return escapeString(programPath);
}

QByteArray autostartEntry(const QString &name, const QString &programPath)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n");
    text += QStringLiteral("Name=") + escapeString(name) + QLatin1Char('\n');
    text += QStringLiteral("Name[de]=") + escapeString(name) + QLatin1Char('\n');
    // The entry carries every language it has, as desktop entries do; the
    // desktop shows the one of the session.
    text += QStringLiteral("Comment=Shows the current address in the tray when the session starts\n"
                           "Comment[de]=Zeigt beim Sitzungsbeginn die aktuelle Adresse im Systembereich\n"
                           "Icon=vantrel\n");
    // Desktops skip the entry once the program file is gone, instead of
    // failing to start it at every logon after the program was removed.
    if (const std::optional<QString> tryExec = tryExecValue(programPath))
        text += QStringLiteral("TryExec=") + *tryExec + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + execValue({programPath}) + QLatin1Char('\n');
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

std::optional<QString> autostartCommand(const QByteArray &file)
{
    const QStringList lines = QString::fromUtf8(file).split(QLatin1Char('\n'));
    bool inMain = false, seenMain = false;
    QString type, exec, hidden;
    bool haveExec = false;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        if (t.startsWith(QLatin1Char('['))) {
            inMain = t == QLatin1String("[Desktop Entry]");
            if (inMain && seenMain)
                return std::nullopt; // the group twice: not a valid file
            seenMain = seenMain || inMain;
            continue;
        }
        if (!seenMain)
            return std::nullopt; // entries before the first group
        if (!inMain)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return std::nullopt;
        const QString key = trimBlanks(line.left(eq));
        const QString value = trimBlanks(line.mid(eq + 1));
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Exec")) {
            exec = value;
            haveExec = true;
        } else if (key == QLatin1String("Hidden"))
            hidden = value;
    }
    if (!seenMain || type != QLatin1String("Application") || !haveExec || hidden == QLatin1String("true"))
        return std::nullopt;
    const std::optional<QStringList> args = execArguments(exec);
    if (!args || args->isEmpty())
        return std::nullopt;
    if (args->size() == 1)
        return args->first();
    QStringList parts;
    for (const QString &a : *args)
        parts << (a.contains(QLatin1Char(' ')) ? QLatin1Char('"') + a + QLatin1Char('"') : a);
    return parts.join(QLatin1Char(' '));
}

} // namespace vantrel::desktopentry
