#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that the windows of src/ keep their widgets and state to themselves.

A window class is one that derives from QWidget, QDialog, QFrame, QMainWindow
or QLabel, or from another window class. A public or protected data member of
one lets any other object change the window behind its back; what others need
is a method or a signal instead. Static members and const members (constants)
are fine, and so are nested types.

The headers are read with a small C++ reader, not a compiler: comments,
strings, preprocessor lines and Qt's macros are set aside, then each class
body is split into member declarations at its own brace level.

Usage: check_sealed.py SRC_DIR      (or --self-test: planted members are caught)
Exit status 0 when no window publishes a data member, 1 with one line per
member and a count per class otherwise.
"""
import os
import re
import sys

WINDOW_BASES = {"QWidget", "QDialog", "QFrame", "QMainWindow", "QLabel"}
HEADER_SUFFIXES = (".h", ".hpp")

COMMENT_OR_TEXT = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
PREPROCESSOR = re.compile(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", re.M)
CLASS_HEAD = re.compile(r"\b(class|struct)\s+(\w+)(?:\s+final)?\s*(?::([^;{]*))?\{")
ACCESS = re.compile(r"^\s*(public|protected|private|signals|Q_SIGNALS)\b(?:\s+(?:slots|Q_SLOTS))?\s*:(?!:)")
QT_MACRO = re.compile(r"\bQ_(?!SIGNALS\b|SLOTS\b)[A-Z_]+\b")
NOT_A_MEMBER = re.compile(r"^\s*(using|typedef|friend|static_assert|template|enum|class|struct|union)\b")
IDENTIFIER = re.compile(r"[A-Za-z_]\w*")


def blank(match):
    """The match as spaces, its line breaks kept, so offsets still give lines."""
    return re.sub(r"[^\n]", " ", match.group(0))


def blank_inside(match):
    """A comment as spaces; a string or character literal with its quotes kept."""
    text = match.group(0)
    if text[0] in "\"'":
        return text[0] + " " * (len(text) - 2) + text[-1]
    return re.sub(r"[^\n]", " ", text)


def cleaned(text):
    text = COMMENT_OR_TEXT.sub(blank_inside, text)
    text = PREPROCESSOR.sub(blank, text)
    # Qt's macros (Q_OBJECT, Q_PROPERTY(...), Q_DISABLE_COPY(...)) end without
    # a semicolon; their argument lists go with them.
    out = []
    pos = 0
    for m in QT_MACRO.finditer(text):
        if m.start() < pos:
            continue
        end = m.end()
        rest = re.match(r"\s*\(", text[end:])
        if rest:
            end = matching(text, end + rest.end() - 1, "(", ")") + 1
        out.append(text[pos:m.start()])
        out.append(re.sub(r"[^\n]", " ", text[m.start():end]))
        pos = end
    out.append(text[pos:])
    return "".join(out)


def matching(text, at, opening, closing):
    """The offset of the bracket that closes the one at `at`."""
    depth = 0
    for i in range(at, len(text)):
        if text[i] == opening:
            depth += 1
        elif text[i] == closing:
            depth -= 1
            if depth == 0:
                return i
    return len(text) - 1


def top_level(declaration):
    """`declaration` with everything inside <>, () and {} left out, brackets kept."""
    out = []
    depth = 0
    for ch in declaration:
        if ch in "<({":
            if depth == 0:
                out.append(ch)
            depth += 1
        elif ch in ">)}":
            depth = max(depth - 1, 0)
            if depth == 0:
                out.append(ch)
        elif depth == 0:
            out.append(ch)
    return "".join(out)


def data_members(declaration):
    """The names a member declaration makes mutable data of; [] for anything else."""
    if NOT_A_MEMBER.match(declaration) or "operator" in IDENTIFIER.findall(declaration):
        return []
    heads = [part.split("=", 1)[0] for part in top_level(declaration).split(",")]
    words = IDENTIFIER.findall(heads[0])
    if not words or "static" in words or "(" in heads[0]:
        return []  # a function (the pointer-to-function members of old C are not used)
    names = []
    for part in heads:
        part = re.sub(r"\[[^\]]*\]", "", part.split("{", 1)[0])
        tokens = re.findall(r"[A-Za-z_]\w*|[*&]", part)
        if not tokens or not IDENTIFIER.fullmatch(tokens[-1]):
            continue
        before = tokens[:-1]
        # const on the member itself: "T *const name", or "const T name" with
        # no pointer after the const (a pointer to const can still be changed).
        if before and before[-1] == "const":
            continue
        if "const" in before and "*" not in before[before.index("const"):]:
            continue
        names.append(tokens[-1])
    return names


def is_function(statement):
    """Whether a declaration that meets a "{" is a function (its body follows)."""
    shape = top_level(statement)
    paren = shape.find("(")
    equals = shape.find("=")
    return paren >= 0 and (equals < 0 or paren < equals)


def members(body, body_offset, is_struct):
    """(access, name, offset) of each data member declared at the body's own level."""
    access = "public" if is_struct else "private"
    found = []
    start = 0
    i = 0
    while i < len(body):
        ch = body[i]
        if ch in "{;":
            statement = body[start:i]
            while True:
                m = ACCESS.match(statement)
                if not m:
                    break
                access = "public" if m.group(1) in ("signals", "Q_SIGNALS") else m.group(1)
                start += m.end()
                statement = statement[m.end():]
            if ch == "{":
                close = matching(body, i, "{", "}")
                if NOT_A_MEMBER.match(statement) and re.search(r"\b(class|struct|union|enum)\b", statement):
                    # A nested type; a member declared with it ("struct {...} x;")
                    # is read from what follows the body.
                    i = close + 1
                    start = i
                    continue
                if is_function(statement):
                    # A function body ends the declaration.
                    i = close + 1
                    start = i
                    continue
                i = close + 1  # a braced initialiser; the declaration goes on
                continue
            declaration = body[start:i]
            offset = body_offset + start + (len(declaration) - len(declaration.lstrip()))
            if access in ("public", "protected"):
                for name in data_members(declaration.strip()):
                    found.append((access, name, offset))
            start = i + 1
        i += 1
    return found


def classes(text):
    """(kind, name, bases, body, body offset) of every class defined in `text`."""
    result = []
    for m in CLASS_HEAD.finditer(text):
        bases = []
        for base in (m.group(3) or "").split(","):
            words = IDENTIFIER.findall(re.sub(r"<.*>", "", base))
            words = [w for w in words if w not in ("public", "protected", "private", "virtual")]
            if words:
                bases.append(words[-1])
        opening = m.end() - 1
        close = matching(text, opening, "{", "}")
        result.append((m.group(1), m.group(2), bases, text[opening + 1:close], opening + 1))
    return result


def window_faults(files):
    """Lines naming each published data member of a window class in `files` ({name: text})."""
    parsed = {}
    for rel, text in files.items():
        clean = cleaned(text)
        parsed[rel] = (clean, classes(clean))
    windows = set()
    grew = True
    while grew:
        grew = False
        for _clean, found in parsed.values():
            for _kind, name, bases, _body, _at in found:
                if name not in windows and any(b in WINDOW_BASES or b in windows for b in bases):
                    windows.add(name)
                    grew = True
    faults = []
    for rel, (clean, found) in sorted(parsed.items()):
        for kind, name, bases, body, at in found:
            if name not in windows:
                continue
            for access, member, offset in members(body, at, kind == "struct"):
                line = clean.count("\n", 0, offset) + 1
                faults.append((rel, line, name, access, member))
    return faults


# Planted members the check must report, and ones it must let pass, for
# --self-test: a check that cannot fail would keep nothing so.
PLANTED = """
class TfmPlanted : public QDialog {
    Q_OBJECT
    Q_PROPERTY(int depth READ depth)
    int hidden = 0;
public:
    static constexpr int kLimit = 3;
    static QString shared;
    const int fixed = 1;
    QLabel *const label = nullptr;
    enum class Mode { A, B };
    struct Part { int open = 0; };
    TfmPlanted(QWidget *parent = nullptr) : QDialog(parent) { hidden = 1; }
    int depth() const { return hidden; }
    std::function<void(int)> handler() const;
    bool operator<(const TfmPlanted &other) const;
    QPushButton *btOK = nullptr;                      // reported
    std::function<QDialog *(TfmVantrel &)> Factory;   // reported
    QList<QPixmap> Frames{};                          // reported
    const char *Caption = "x";                        // reported
    int Row = -1, Column{0};                          // reported twice
signals:
    void changed(int value);
protected:
    VTimer Tim;                                       // reported
private:
    bool m_busy = false;
};
class TfmChild : public TfmPlanted {
public:
    QString Text;                                     // reported
};
struct Plain {
    int notAWindow = 0;
};
"""
PLANTED_REPORTED = ["btOK", "Factory", "Frames", "Caption", "Row", "Column", "Tim", "Text"]


def self_test():
    got = [member for _rel, _line, _cls, _access, member in window_faults({"planted.h": PLANTED})]
    if got != PLANTED_REPORTED:
        print(f"planted members: reported {got}, expected {PLANTED_REPORTED}")
        return 1
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 2:
        print("usage: check_sealed.py SRC_DIR | --self-test", file=sys.stderr)
        return 2
    src = sys.argv[1]
    files = {}
    for root, _dirs, names in os.walk(src):
        for name in sorted(names):
            if name.endswith(HEADER_SUFFIXES):
                path = os.path.join(root, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    files[os.path.relpath(path, src)] = f.read()
    faults = window_faults(files)
    per_class = {}
    for rel, line, cls, access, member in faults:
        print(f"{rel}:{line}: {cls}::{member} is a {access} data member; make it private "
              "(a method or a signal for what others need)")
        per_class[cls] = per_class.get(cls, 0) + 1
    for cls, count in sorted(per_class.items(), key=lambda item: (-item[1], item[0])):
        print(f"  {cls}: {count}")
    print(f"check_sealed: {len(faults)} published data members in {len(per_class)} window classes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
