#!/usr/bin/python3
"""Fails when a text of the interface has no sound English translation.

1. lupdate refreshes a scratch copy of src/resources/translations/zentiq_en.ts
   from the sources: a text added to the code or a form and not translated in
   the committed file comes out unfinished and is reported.
2. Every translation keeps the technical parts of its source: placeholders,
   tabs with the accelerator behind them, line breaks. Only a language's own
   name may keep Chinese characters.
3. A Chinese string literal in the code that lupdate did not collect (one not
   marked for translation) is reported with its place.

Usage: check_translations.py [LUPDATE]   (default /usr/lib/qt6/bin/lupdate)
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
TS = os.path.join(SRC, "resources", "translations", "zentiq_en.ts")
# Marks, as a translator comment, a text that stays the same in every language.
OWN_NAME = "own name"

CJK = re.compile(r"[\u3000-\u303f\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff00-\uffef]")
PLACEHOLDER = re.compile(r"%(?:\d+|[dsn])")
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "'": "'"}


def refreshed_messages(lupdate):
    """(context, source, translation element, comment) of a refreshed copy."""
    with tempfile.TemporaryDirectory() as scratch:
        ts = os.path.join(scratch, "zentiq_en.ts")
        shutil.copyfile(TS, ts)
        subprocess.run([os.path.join(ROOT, "tools", "update_translations.sh"), ts],
                       check=True, env=dict(os.environ, LUPDATE=lupdate))
        tree = ET.parse(ts)
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            yield (name, message.findtext("source") or "", message.find("translation"),
                   message.findtext("extracomment") or "")


def after_tab(text):
    # A menu text's accelerator ("\tAlt+F5"); a tab between columns (the error
    # counter's "%d\tTimeout error") is followed by words that translate.
    if "\t" not in text:
        return None
    tail = text.rpartition("\t")[2]
    return tail if ACCELERATOR.fullmatch(tail) else None


ACCELERATOR = re.compile(r"((Ctrl|Alt|Shift)\+)*([A-Z0-9]|F[0-9]{1,2}|Del|Ins|Esc|Enter|Tab)")


def translation_faults(source, translation, comment):
    if CJK.search(translation) and OWN_NAME not in comment:
        yield "keeps Chinese characters"
    if sorted(PLACEHOLDER.findall(source)) != sorted(PLACEHOLDER.findall(translation)):
        yield "placeholders differ"
    if source.count("\n") != translation.count("\n"):
        yield "line breaks differ"
    if source.count("\t") != translation.count("\t") or after_tab(source) != after_tab(translation):
        yield "accelerator after the tab differs"


def strip_comments(text):
    # Keeps string literals (and so line numbers) while blanking comments and
    # character literals such as '"'.
    def blank(match):
        chunk = match.group(0)
        return chunk if chunk.startswith('"') else re.sub(r"[^\n]", " ", chunk)
    return re.sub(r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)+\'|//[^\n]*|/\*.*?\*/', blank, text, flags=re.S)


def unescape(literal):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(0)), literal)


def unmarked_literals(sources):
    for folder, _, files in os.walk(SRC):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8") as f:
                text = strip_comments(f.read())
            for number, line in enumerate(text.split("\n"), 1):
                for match in LITERAL.finditer(line):
                    piece = unescape(match.group(1))
                    if CJK.search(piece) and not any(piece in s for s in sources):
                        yield "%s:%d: %s" % (os.path.relpath(path, ROOT), number, piece)


def main():
    lupdate = sys.argv[1] if len(sys.argv) > 1 else "/usr/lib/qt6/bin/lupdate"
    problems = []
    sources = set()
    count = 0
    for context, source, translation, comment in refreshed_messages(lupdate):
        count += 1
        sources.add(source)
        text = translation.text if translation is not None else ""
        where = "%s: %r" % (context, source)
        if translation is None or translation.get("type") in ("unfinished", "vanished", "obsolete") or not text:
            problems.append("%s has no English translation" % where)
            continue
        problems += ["%s -> %r: %s" % (where, text, fault) for fault in translation_faults(source, text, comment)]
    problems += ["%s is not marked for translation" % place for place in unmarked_literals(sources)]
    for problem in problems:
        print(problem)
    if problems:
        print("%d problem(s). Mark new texts with tr()/QT_TRANSLATE_NOOP, run tools/update_translations.sh "
              "and translate what it leaves unfinished." % len(problems))
        return 1
    print("%d texts, each with its English translation" % count)
    return 0


if __name__ == "__main__":
    sys.exit(main())
