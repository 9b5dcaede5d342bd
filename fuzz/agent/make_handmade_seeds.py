#!/usr/bin/env python3
"""Writes the hand-made seeds of the site-worker fuzz target into corpus/: a list page with one
contact row and its profile page (handmade_row.bin), a row marked for the new-message check
(marked_row.bin, a multiple of three long so the login runs too), and two rows whose profile page
asks for a confirmation code (code_profile.bin, odd length so the import goes through the session,
the code prompt and, for the second row, the stored code). Pages are cp1251, as the site sends
them and as the code's literals are under every compiler."""
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)


def write(name, data):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)


write("handmade_row.bin",
      b'<table><tr><td><a href="#">x</a></td></tr><tr><td><a href="http://h/anna/?oid=5">anna</a> '
      b'<a href="http://h/q">Anna</a></td><td>, 25</td><td>Moscow</td></tr></table>\0'
      b'<a href="http://h/anna/">http://h/anna/</a> 3 ' + "фото".encode("cp1251") + b' <img src="ico_vip.gif">')

marked = ('<table><tbody><tr><td><a href="#">x</a></td></tr>'
          '<tr><td><a href="http://h/anna/?oid=5">anna</a></td><td> | </td><td><a href="http://h/q/">Anna</a></td>'
          '<td>, 25</td><td>Moscow</td></tr></tbody></table>').encode("cp1251") + b"\0" + \
         ('<a href="http://h/anna/">http://h/anna/</a> 3 фото, 2 интим-фото '
          '<img src="ico_vip.gif"><img src="i_voice.gif">').encode("cp1251")
marked += b" " * (-len(marked) % 3)
write("marked_row.bin", marked)

code = ('<table><tbody><tr><td><a href="#">x</a></td></tr>'
        '<tr><td><a href="http://h/anna/?oid=5">anna</a></td><td>, 25</td></tr>'
        '<tr><td><a href="http://h/boris/?oid=6">boris</a></td><td>, 31</td></tr></tbody></table>').encode("cp1251") + b"\0" + \
       ('<a href="http://h/tips/reg_code.phtml?image=1">code</a><img src="http://h/tips/reg.phtml?image=1&s=2">'
        '<form action="http://h/tips/reg_code.phtml" method="post"><input name="check" value="">'
        '<input name="s" value="1"></form>').encode("cp1251")
if len(code) % 2 == 0:
    code += b" "
write("code_profile.bin", code)
