#!/usr/bin/env python3
"""Makes the record-file fixtures of the storage tests with tools other than the code under test:
Python's own codecs for UTF-8 (with and without BOM) and iconv for windows-1251, KOI8-R,
ISO-8859-1 and UTF-16.
Run from this folder: python3 make_fixtures.py"""
import subprocess

LATIN_RECORDS = [
    ("Jürgen «Joe» Müller", "juergen", "http://www.velmora.ru/juergen/", "Zürich", "41"),
]

RECORDS = [
    ("Анна", "anna", "http://www.velmora.ru/anna/", "Москва", "25"),
    ("Joe & <Co>", "joe", "http://www.velmora.ru/Joe/", "Санкт-Петербург", ""),
]


def friends(indent="", newline="", head="", records=RECORDS):
    out = [head, "<Friends>", newline]
    for name, login, url, area, age in records:
        esc = lambda s: s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        out += [indent, "<Friend>", newline]
        for tag, value in (("Name", name), ("Login", login), ("URL", url), ("Area", area), ("Age", age)):
            out += [indent * 2, "<%s>%s</%s>" % (tag, esc(value), tag) if value else "<%s/>" % tag, newline]
        out += [indent * 2, "<AgeRange>   </AgeRange>", newline]
        out += [indent, "</Friend>", newline]
    out.append("</Friends>")
    return "".join(out)


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def iconv(text, encoding):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", encoding], input=text.encode("utf-8"),
                          stdout=subprocess.PIPE, check=True).stdout


write("indented_crlf.xml", friends("  ", "\r\n").encode("utf-8"))
write("utf8_bom.xml", b"\xef\xbb\xbf" + friends().encode("utf-8"))
write("declaration.xml", friends("\t", "\n", '<?xml version="1.0" encoding="UTF-8"?>\n').encode("utf-8"))
write("comment_first.xml", friends(head="<!-- exported contacts -->\n<?app-info v1?>").encode("utf-8"))
write("windows1251.xml", iconv(friends("  ", "\r\n", '<?xml version="1.0" encoding="windows-1251"?>\r\n'),
                               "WINDOWS-1251"))
# iconv's "UTF-16" writes a byte-order mark; UTF-16BE plus an explicit mark gives the other order.
write("utf16_bom.xml", iconv(friends("  ", "\n"), "UTF-16"))
write("utf16be_bom.xml", b"\xfe\xff" + iconv(friends(), "UTF-16BE"))
full = friends().encode("utf-8")
write("truncated.xml", full[: len(full) * 2 // 3])
# Other 8-bit encodings: declared ones are honoured, an undeclared one is not UTF-8 and is refused.
write("koi8r_declared.xml", iconv(friends("  ", "\n", '<?xml version="1.0" encoding="KOI8-R"?>\n'), "KOI8-R"))
write("latin1_declared.xml", iconv(friends("", "\n", "<?xml version='1.0' encoding='ISO-8859-1'?>\n",
                                           LATIN_RECORDS), "ISO-8859-1"))
write("cp1251_undeclared.xml", iconv(friends("  ", "\r\n"), "WINDOWS-1251"))
