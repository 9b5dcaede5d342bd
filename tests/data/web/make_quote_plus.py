#!/usr/bin/env python3
"""Expected form escaping of cp1251 bytes, made with urllib.parse.quote_plus.

Each line of quote_plus.txt: the input bytes in hexadecimal, a tab, the escaped text.
quote_plus keeps A-Z a-z 0-9 _ . - ~ and the characters given as safe; the client keeps
! $ ' ( ) * @ as well and escapes "~", so "~" is mapped to %7E after quote_plus.
"""
from urllib.parse import quote_plus
import os

SAFE = "!$'()*@"


def expected(data: bytes) -> str:
    return quote_plus(data, safe=SAFE).replace("~", "%7E")


samples = [bytes([b]) for b in range(256)]
samples += [bytes(range(256))]
for text in ["Привет, мир!", "Анна Ёлкина", "a=b c&d", "user@example.com",
             "100% (sure) * $5 'ok'", "Съешь же ещё этих мягких французских булок",
             "tab\there", "~tilde~", "№ 5 — «цитата»", ""]:
    samples.append(text.encode("cp1251"))

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quote_plus.txt")
with open(out, "w", encoding="ascii", newline="\n") as f:
    for s in samples:
        f.write(s.hex() + "\t" + expected(s) + "\n")
