#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Usage: check_catalogue.py LUPDATE SOURCE_FOLDER CATALOGUE

lupdate runs over the sources into a copy of the catalogue, so a text marked for
translation that the catalogue lacks shows as untranslated. Fails on every text
not translated, on a translation that is its English source (unless that holds
only names, numbers and signs: "&OK", "Version 4.12") and on English words in a
translation (keys and values of the files a user edits, Answer=busy, stay)."""
import re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

SAME_IN_GERMAN = {"vantrel", "ok", "version", "alarm", "ipv"}  # "ipv": IPv4, IPv6 without their digits
ENGLISH = re.compile(r"\b(the|and|or|is|are|was|were|not|of|to|with|for|from|cannot|can't|no|has|have|this|"
                     r"that|which|please|file|line|error|secrets|handle)\b", re.IGNORECASE)


def words(text):  # without access keys, placeholders and digits
    return {w.lower() for w in re.findall(r"[^\W\d_]+", re.sub(r"%(\d+|n)|&(?=\S)", " ", text))}


def problems(catalogue):
    for context in ET.parse(catalogue).getroot().iter("context"):
        for message in context.iter("message"):
            source, translation = message.findtext("source"), message.find("translation")
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            where = f"{context.findtext('name')}: {source!r}"
            if translation.get("type") in ("unfinished", "vanished", "obsolete") or not all(f.strip() for f in forms):
                yield f"not translated: {where}"
            for form in forms:
                if form == source and not words(source) <= SAME_IN_GERMAN:
                    yield f"English as it is: {where}"
                elif form != source and (match := ENGLISH.search(form)):
                    yield f"English word {match.group(0)!r} in {form!r} ({where})"


if len(sys.argv) != 4:
    sys.exit(__doc__)
lupdate, sources, catalogue = sys.argv[1:]
with tempfile.TemporaryDirectory() as work:
    copy = Path(work) / Path(catalogue).name
    shutil.copyfile(catalogue, copy)
    subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none", sources, "-ts", str(copy)],
                   check=True, stdout=subprocess.DEVNULL)
    found = list(problems(copy))
print("\n".join(found + [f"{len(found)} problem(s) in {catalogue}"]))
sys.exit(1 if found else 0)
