// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/hiveformat.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vantrel::hive {

namespace {

constexpr char kFirstLine[] = "WINE REGISTRY Version 2";
constexpr int kHexWrapColumn = 76; // where the writer continues a hex: line, as Wine does

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

const char *skipBlanks(const char *p, const char *end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

bool onlyBlanksLeft(const char *p, const char *end)
{
    return skipBlanks(p, end) == end;
}

// Reads an escaped string up to the unescaped `close` character; `p` starts just
// after the opening delimiter and ends just after the closing one.
bool readQuoted(const char *&p, const char *end, char close, QString *out, QString *why)
{
    QString s;
    while (p < end) {
        // Copy plain runs in one go: long values are common and mostly plain.
        const char *run = p;
        while (p < end && *p != close && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20
               && static_cast<unsigned char>(*p) < 0x7f)
            ++p;
        if (p > run)
            s.append(QLatin1StringView(run, p - run));
        if (p >= end)
            break;
        const char c = *p;
        if (c == close) {
            ++p;
            *out = std::move(s);
            return true;
        }
        if (c == '\t') { // a tab typed into the file by hand is taken as it is
            s.append(QLatin1Char('\t'));
            ++p;
            continue;
        }
        if (static_cast<unsigned char>(c) >= 0x80) {
            // Text typed by hand in an editor is UTF-8; every byte of a UTF-8
            // sequence is 0x80 or above, so the run holds whole characters.
            const char *high = p;
            while (p < end && static_cast<unsigned char>(*p) >= 0x80)
                ++p;
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString text = decoder.decode(QByteArrayView(high, p - high));
            if (decoder.hasError()) {
                *why = QCoreApplication::translate("HiveFormat", "text that is not valid UTF-8");
                return false;
            }
            s.append(text);
            continue;
        }
        if (c != '\\') {
            *why = QCoreApplication::translate("HiveFormat", "character 0x%1 is not allowed here")
                       .arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
            return false;
        }
        ++p;
        if (p >= end) {
            *why = QCoreApplication::translate("HiveFormat", "backslash at the end of the line");
            return false;
        }
        const char e = *p++;
        switch (e) {
        case '\\':
        case '"':
        case '[':
        case ']': s.append(QLatin1Char(e)); break;
        case 'a': s.append(QChar(0x07)); break;
        case 'b': s.append(QChar(0x08)); break;
        case 't': s.append(QChar(0x09)); break;
        case 'n': s.append(QChar(0x0a)); break;
        case 'v': s.append(QChar(0x0b)); break;
        case 'f': s.append(QChar(0x0c)); break;
        case 'r': s.append(QChar(0x0d)); break;
        case 'e': s.append(QChar(0x1b)); break;
        case 'x': {
            // Up to four hex digits: one UTF-16 code unit.
            char16_t v = 0;
            int n = 0;
            while (n < 4 && p < end && hexDigit(*p) >= 0) {
                v = static_cast<char16_t>(v * 16 + hexDigit(*p));
                ++p;
                ++n;
            }
            if (n == 0) {
                *why = QCoreApplication::translate("HiveFormat", "\\x without hex digits");
                return false;
            }
            s.append(QChar(v));
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                char16_t v = static_cast<char16_t>(e - '0');
                int n = 1;
                while (n < 3 && p < end && *p >= '0' && *p <= '7') {
                    v = static_cast<char16_t>(v * 8 + (*p - '0'));
                    ++p;
                    ++n;
                }
                s.append(QChar(v));
                break;
            }
            *why = QCoreApplication::translate("HiveFormat", "unknown escape \\%1").arg(QLatin1Char(e));
            return false;
        }
    }
    *why = QCoreApplication::translate("HiveFormat", "missing closing %1").arg(QLatin1Char(close));
    return false;
}

// Reads 1 to 8 hex digits.
bool readHexNumber(const char *&p, const char *end, DWORD *out)
{
    DWORD v = 0;
    int n = 0;
    while (n < 8 && p < end && hexDigit(*p) >= 0) {
        v = v * 16 + static_cast<DWORD>(hexDigit(*p));
        ++p;
        ++n;
    }
    if (n == 0 || (p < end && hexDigit(*p) >= 0))
        return false;
    *out = v;
    return true;
}

bool startsWith(const char *p, const char *end, const char *word)
{
    const auto n = static_cast<std::ptrdiff_t>(std::strlen(word));
    return end - p >= n && std::memcmp(p, word, static_cast<size_t>(n)) == 0;
}

struct Lines {
    const char *data;
    const char *end;
    const char *pos;
    int number = 0;

    // Next line without its LF (and without a CR before it).
    bool next(const char **b, const char **e)
    {
        if (pos >= end)
            return false;
        const char *nl = static_cast<const char *>(std::memchr(pos, '\n', static_cast<size_t>(end - pos)));
        const char *lineEnd = nl ? nl : end;
        *b = pos;
        *e = (lineEnd > pos && lineEnd[-1] == '\r') ? lineEnd - 1 : lineEnd;
        pos = nl ? nl + 1 : end;
        ++number;
        return true;
    }
};

// Comma-separated two-digit hex bytes, continued over lines ending in a backslash.
bool readHexBytes(const char *p, const char *end, Lines &lines, QByteArray *out, QString *why)
{
    QByteArray bytes;
    if (onlyBlanksLeft(p, end)) {
        *out = bytes;
        return true;
    }
    for (;;) {
        if (end - p < 2 || hexDigit(p[0]) < 0 || hexDigit(p[1]) < 0) {
            *why = QCoreApplication::translate("HiveFormat", "expected a two-digit hex byte");
            return false;
        }
        bytes.append(static_cast<char>(hexDigit(p[0]) * 16 + hexDigit(p[1])));
        p += 2;
        if (onlyBlanksLeft(p, end))
            break;
        if (*p != ',') {
            *why = QCoreApplication::translate("HiveFormat", "expected a comma between hex bytes");
            return false;
        }
        ++p;
        const char *q = skipBlanks(p, end);
        if (q < end && *q == '\\' && onlyBlanksLeft(q + 1, end)) {
            if (!lines.next(&p, &end)) {
                *why = QCoreApplication::translate("HiveFormat", "continuation line missing at the end of the file");
                return false;
            }
            p = skipBlanks(p, end);
        }
    }
    *out = bytes;
    return true;
}

bool decodeUtf16(const QByteArray &bytes, QString *out)
{
    if (bytes.size() % 2 != 0)
        return false;
    QString s;
    s.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        s.append(QChar(
            static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8))));
    if (s.endsWith(QChar(0)))
        s.chop(1);
    *out = s;
    return true;
}

// The data part of a value line, after the '='.
bool readData(const char *p, const char *end, Lines &lines, RegValue *v, QString *why)
{
    if (p < end && *p == '"') {
        ++p;
        v->type = RegType::Sz;
        if (!readQuoted(p, end, '"', &v->text, why))
            return false;
    } else if (startsWith(p, end, "dword:")) {
        p += 6;
        v->type = RegType::Dword;
        if (!readHexNumber(p, end, &v->number)) {
            *why = QCoreApplication::translate("HiveFormat", "dword: needs 1 to 8 hex digits");
            return false;
        }
    } else if (startsWith(p, end, "str(")) {
        p += 4;
        DWORD type = 0;
        if (!readHexNumber(p, end, &type) || !startsWith(p, end, "):\"")
            || (type != DWORD(RegType::Sz) && type != DWORD(RegType::ExpandSz))) {
            *why = QCoreApplication::translate("HiveFormat", "str(n): is read for types 1 and 2 only, as str(n):\"text\"");
            return false;
        }
        p += 3;
        v->type = static_cast<RegType>(type);
        if (!readQuoted(p, end, '"', &v->text, why))
            return false;
    } else if (startsWith(p, end, "hex:") || startsWith(p, end, "hex(")) {
        DWORD type = DWORD(RegType::Binary);
        if (p[3] == '(') {
            p += 4;
            if (!readHexNumber(p, end, &type) || !startsWith(p, end, "):")) {
                *why = QCoreApplication::translate("HiveFormat", "malformed hex(n):");
                return false;
            }
            p += 2;
        } else {
            p += 4;
        }
        QByteArray bytes;
        if (!readHexBytes(p, end, lines, &bytes, why))
            return false;
        v->type = static_cast<RegType>(type);
        if (v->type == RegType::Sz || v->type == RegType::ExpandSz) {
            if (!decodeUtf16(bytes, &v->text)) {
                *why = QCoreApplication::translate("HiveFormat", "string data of odd length");
                return false;
            }
        } else if (v->type == RegType::Dword) {
            if (bytes.size() != 4) {
                *why = QCoreApplication::translate("HiveFormat", "hex(4): needs exactly four bytes");
                return false;
            }
            v->number = static_cast<DWORD>(static_cast<unsigned char>(bytes[0]))
                        | static_cast<DWORD>(static_cast<unsigned char>(bytes[1])) << 8
                        | static_cast<DWORD>(static_cast<unsigned char>(bytes[2])) << 16
                        | static_cast<DWORD>(static_cast<unsigned char>(bytes[3])) << 24;
        } else {
            v->bytes = bytes;
        }
        return true; // readHexBytes has checked the line ends
    } else {
        *why = QCoreApplication::translate("HiveFormat", "unknown value data");
        return false;
    }
    if (!onlyBlanksLeft(p, end)) {
        *why = QCoreApplication::translate("HiveFormat", "unexpected text after the value");
        return false;
    }
    return true;
}

void appendEscaped(QByteArray &out, const QString &s, bool keyName)
{
    static const char digits[] = "0123456789abcdef";
    const QChar *p = s.constData();
    const QChar *const end = p + s.size();
    char buffer[256];
    while (p < end) {
        // Plain characters go through a buffer in runs; appending them one by
        // one costs more than everything else in writing a large hive.
        int n = 0;
        while (p < end && n < int(sizeof buffer)) {
            const char16_t c = p->unicode();
            if (c < 0x20 || c >= 0x7f || c == '\\' || (!keyName && c == '"') || (keyName && (c == '[' || c == ']')))
                break;
            buffer[n++] = static_cast<char>(c);
            ++p;
        }
        if (n > 0)
            out.append(buffer, n);
        if (p >= end || n == int(sizeof buffer))
            continue;
        const char16_t c = p->unicode();
        ++p;
        if (c >= 0x20 && c < 0x7f) {
            const char esc[] = {'\\', static_cast<char>(c)};
            out.append(esc, 2);
        } else {
            const char esc[] = {
                '\\', 'x', digits[(c >> 12) & 0xf], digits[(c >> 8) & 0xf], digits[(c >> 4) & 0xf], digits[c & 0xf]};
            out.append(esc, sizeof esc);
        }
    }
}

void appendHex8(QByteArray &out, DWORD n)
{
    static const char digits[] = "0123456789abcdef";
    for (int shift = 28; shift >= 0; shift -= 4)
        out.append(digits[(n >> shift) & 0xf]);
}

void appendValue(QByteArray &out, const Value &v)
{
    const qsizetype lineStart = out.size();
    if (v.name.isEmpty()) {
        out.append('@');
    } else {
        out.append('"');
        appendEscaped(out, v.name, false);
        out.append('"');
    }
    out.append('=');
    const RegValue &r = v.value;
    switch (r.type) {
    case RegType::Sz:
        out.append('"');
        appendEscaped(out, r.text, false);
        out.append('"');
        break;
    case RegType::ExpandSz:
        out.append("str(2):\"");
        appendEscaped(out, r.text, false);
        out.append('"');
        break;
    case RegType::Dword:
        out.append("dword:");
        appendHex8(out, r.number);
        break;
    default: {
        if (r.type == RegType::Binary) {
            out.append("hex:");
        } else {
            out.append("hex(");
            out.append(QByteArray::number(static_cast<DWORD>(r.type), 16));
            out.append("):");
        }
        static const char digits[] = "0123456789abcdef";
        qsizetype column = out.size() - lineStart;
        for (qsizetype i = 0; i < r.bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(r.bytes[i]);
            out.append(digits[b >> 4]);
            out.append(digits[b & 0xf]);
            column += 2;
            if (i + 1 < r.bytes.size()) {
                out.append(',');
                ++column;
                if (column > kHexWrapColumn) {
                    out.append("\\\n  ");
                    column = 2;
                }
            }
        }
        break;
    }
    }
    out.append('\n');
}

} // namespace

bool Data::keyExists(const QString &foldedPath) const
{
    if (foldedPath.isEmpty() || keys.count(foldedPath))
        return true;
    const QString below = foldedPath + QLatin1Char('\\');
    const auto it = keys.lower_bound(below);
    return it != keys.end() && it->first.startsWith(below);
}

Key *Data::findKey(const QString &foldedPath)
{
    const auto it = keys.find(foldedPath);
    return it == keys.end() ? nullptr : &it->second;
}

const Key *Data::findKey(const QString &foldedPath) const
{
    const auto it = keys.find(foldedPath);
    return it == keys.end() ? nullptr : &it->second;
}

QString Data::knownSpelling(const QString &path) const
{
    // Every key below a known path spells that path the same way, so the longest
    // known leading part of `path` is shared with one of the two keys next to
    // its place in the sorted map. Case folding keeps the length of the text, so
    // positions in the folded path are positions in the spelled one.
    const QString folded = fold(path);
    qsizetype bestLength = 0;
    const Key *best = nullptr;
    const auto consider = [&](std::map<QString, Key>::const_iterator it) {
        const QString &other = it->first;
        const qsizetype limit = std::min(other.size(), folded.size());
        qsizetype common = 0;
        while (common < limit && other[common] == folded[common])
            ++common;
        // Cut back to whole components of both paths.
        const auto boundary = [](const QString &s, qsizetype at) { return at == s.size() || s[at] == QLatin1Char('\\'); };
        while (common > 0 && !(boundary(other, common) && boundary(folded, common)))
            --common;
        if (common > bestLength) {
            bestLength = common;
            best = &it->second;
        }
    };
    const auto it = keys.lower_bound(folded);
    if (it != keys.end())
        consider(it);
    if (it != keys.begin())
        consider(std::prev(it));
    if (!best || best->path.size() != best->path.toCaseFolded().size())
        return path;
    return best->path.left(bestLength) + path.mid(bestLength);
}

Key &Data::ensureKey(const QString &path, bool *created)
{
    const QString folded = fold(path);
    auto it = keys.find(folded);
    if (created)
        *created = it == keys.end();
    if (it == keys.end())
        it = keys.emplace(folded, Key{knownSpelling(path), {}, {}}).first;
    return it->second;
}

RegValue normalised(const RegValue &v)
{
    RegValue n;
    n.type = v.type;
    switch (v.type) {
    case RegType::Sz:
    case RegType::ExpandSz: n.text = v.text; break;
    case RegType::Dword: n.number = v.number; break;
    default: n.bytes = v.bytes; break;
    }
    return n;
}

bool normalisePath(const QString &path, QString *normal)
{
    qsizetype b = 0, e = path.size();
    while (b < e && path[b] == QLatin1Char('\\'))
        ++b;
    while (e > b && path[e - 1] == QLatin1Char('\\'))
        --e;
    const QString s = path.mid(b, e - b);
    if (s.contains(QLatin1String("\\\\")))
        return false;
    *normal = s;
    return true;
}

bool parse(const QByteArray &text, Data *out, QString *error)
{
    Lines lines{text.constData(), text.constData() + text.size(), text.constData()};
    const char *b = nullptr, *e = nullptr;
    QString why;
    auto fail = [&](const QString &reason) {
        *error = QCoreApplication::translate("HiveFormat", "line %1: %2").arg(lines.number).arg(reason);
        return false;
    };

    if (!lines.next(&b, &e) || QByteArray(b, e - b) != kFirstLine)
        return fail(
            QCoreApplication::translate("HiveFormat", "the first line must be \"%1\"").arg(QLatin1String(kFirstLine)));

    Data data;
    Key *current = nullptr;
    while (lines.next(&b, &e)) {
        const char *p = b;
        if (onlyBlanksLeft(p, e) || *p == ';')
            continue;
        if (*p == '#') {
            // Wine's own bookkeeping lines; they carry nothing Vantrel keeps.
            if (startsWith(p, e, "#time=") || startsWith(p, e, "#arch="))
                continue;
            return fail(QCoreApplication::translate("HiveFormat", "unknown # line"));
        }
        if (*p == '[') {
            ++p;
            QString path;
            if (!readQuoted(p, e, ']', &path, &why))
                return fail(why);
            p = skipBlanks(p, e);
            while (p < e && *p >= '0' && *p <= '9') // modification time, not kept
                ++p;
            if (!onlyBlanksLeft(p, e))
                return fail(QCoreApplication::translate("HiveFormat", "unexpected text after the key name"));
            QString normal;
            if (!normalisePath(path, &normal) || normal != path)
                return fail(QCoreApplication::translate("HiveFormat", "malformed key name"));
            current = &data.ensureKey(path);
            continue;
        }
        Value value;
        if (*p == '@') {
            ++p;
        } else if (*p == '"') {
            ++p;
            if (!readQuoted(p, e, '"', &value.name, &why))
                return fail(why);
            if (value.name.isEmpty())
                return fail(QCoreApplication::translate("HiveFormat", "empty value name (the unnamed value is written @)"));
        } else {
            return fail(QCoreApplication::translate("HiveFormat", "unrecognised line"));
        }
        if (!current)
            return fail(QCoreApplication::translate("HiveFormat", "value outside any key"));
        if (p >= e || *p != '=')
            return fail(QCoreApplication::translate("HiveFormat", "expected = after the value name"));
        ++p;
        if (!readData(p, e, lines, &value.value, &why))
            return fail(why);
        const QString foldedName = fold(value.name);
        auto it = current->values.find(foldedName);
        if (it == current->values.end())
            current->values.emplace(foldedName, std::move(value));
        else
            it->second.value = value.value; // the last line wins; the first spelling stays
    }
    *out = std::move(data);
    return true;
}

QByteArray serialise(const Data &data)
{
    qsizetype size = 32;
    for (auto &[folded, key] : data.keys) {
        if (key.text.isEmpty()) {
            QByteArray &t = key.text;
            t.append("\n[");
            appendEscaped(t, key.path, true);
            t.append("]\n");
            for (const auto &[name, value] : key.values)
                appendValue(t, value);
        }
        size += key.text.size();
    }
    QByteArray out;
    out.reserve(size);
    out.append(kFirstLine);
    out.append('\n');
    for (const auto &[folded, key] : data.keys)
        out.append(key.text);
    return out;
}

} // namespace vantrel::hive
