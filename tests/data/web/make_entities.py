#!/usr/bin/env python3
"""Writes the entity fixtures of the HTML text decoder from Python's html.entities.

entities.tsv: the HTML 4 names whose code is quot/amp/lt/gt or 160..255, one "&name;<TAB>code"
a line: those four first, then by code. other_entities.txt: every other HTML5 name written with
its ";" (none of them may decode). Run: python3 tests/data/web/make_entities.py
"""
import html.entities
import os

here = os.path.dirname(os.path.abspath(__file__))
known = {n: c for n, c in html.entities.name2codepoint.items() if c in (34, 38, 60, 62) or 160 <= c <= 255}
order = sorted(known.items(), key=lambda nc: (nc[1] >= 160, nc[1]))
with open(os.path.join(here, "entities.tsv"), "w", newline="\n") as f:
    for name, code in order:
        f.write("&%s;\t%d\n" % (name, code))
others = sorted(n for n in html.entities.html5 if n.endswith(";") and n[:-1] not in known)
with open(os.path.join(here, "other_entities.txt"), "w", newline="\n") as f:
    for name in others:
        f.write("&%s\n" % name)
