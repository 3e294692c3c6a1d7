#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The German catalogue against the sources.

Runs lupdate over the sources into a copy of the catalogue, so that a text the
sources mark for translation and the catalogue lacks shows up as untranslated,
then fails on every text that is not translated, on a translation that is its
English source word for word (unless that is made only of names, numbers and
signs, such as "&OK" or "Version 4.12"), and on a translation with English
words in it.

Usage: check_catalogue.py LUPDATE SOURCE_FOLDER CATALOGUE
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

# Words that read the same in German: the program's name and words German
# took over whole.
SAME_IN_GERMAN = {"vantrel", "ok", "version", "alarm"}
# Words that are English and never German; a translation holding one has
# English left in it. (Keys and values of the files a user edits, such as
# Answer=busy, are the files' own syntax and stay as they are.)
ENGLISH = re.compile(
    r"\b(the|and|or|is|are|was|were|not|of|to|with|for|from|cannot|can't|no|has|have|this|that|which|"
    r"please|file|line|error|secrets|handle)\b",
    re.IGNORECASE,
)


def words(text):
    # The words of a text without access keys, placeholders and digits.
    text = re.sub(r"&(?=\S)", "", text)
    text = re.sub(r"%(\d+|n)", " ", text)
    return [w.lower() for w in re.findall(r"[^\W\d_]+", text)]


def problems(catalogue):
    found = []
    for context in ET.parse(catalogue).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            translation = message.find("translation")
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            where = f"{name}: {source!r}"
            if translation.get("type") in ("unfinished", "vanished", "obsolete") or not all(f.strip() for f in forms):
                found.append(f"not translated: {where}")
                continue
            for form in forms:
                if form == source and not set(words(source)) <= SAME_IN_GERMAN:
                    found.append(f"English as it is: {where}")
                elif match := ENGLISH.search(form):
                    found.append(f"English word {match.group(0)!r} in {form!r} ({where})")
    return found


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    lupdate, sources, catalogue = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        copy = Path(work) / Path(catalogue).name
        shutil.copyfile(catalogue, copy)
        subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none", sources, "-ts", str(copy)],
                       check=True, stdout=subprocess.DEVNULL)
        found = problems(copy)
    for problem in found:
        print(problem)
    print(f"{len(found)} problem(s) in {catalogue}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
