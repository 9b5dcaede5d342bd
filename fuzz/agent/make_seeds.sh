#!/bin/sh
# Writes the seed inputs of the site-worker fuzz target into corpus/ from the stand-in site
# (tests/support/site, program velmora-site of a build with tests), which serves cp1251 pages:
# a folder's list page, then a NUL, then a contact's profile page, the site's address written as
# "http://h/" as the target expects. Also the pages a lost session shows in place of a list page
# (the login page, the home page).
# Usage: make_seeds.sh <build dir>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}
out=$(mktemp)
"$build/tests/support/site/velmora-site" 0 >"$out" &
pid=$!
jar=$(mktemp)
trap 'kill $pid; rm -f "$jar" "$out"' EXIT
host=
for _ in $(seq 100); do
    host=$(sed -n 's#^stand-in site on http://\([^/]*\)/.*#\1#p' "$out")
    [ -n "$host" ] && break
    sleep 0.1
done
[ -n "$host" ] || { echo "the site did not start" >&2; exit 1; }
base="http://$host"
curl -s -c "$jar" -b "$jar" -o /dev/null "$base/"
curl -s -c "$jar" -b "$jar" -o /dev/null -d "login=velmora&password=secret&login_action=login" "$base/tips/login.phtml"
fetch() { curl -s -b "$jar" "$base$1" | sed "s#http://$host/#http://h/#g"; }
guest() { curl -s "$base$1" | sed "s#http://$host/#http://h/#g"; }
profile=$(curl -s -b "$jar" "$base/messages.phtml?fid=1" | grep -o "http://$host/[a-z0-9_]*/?oid=[0-9]*" | head -1 |
          sed "s#http://$host##")
mkdir -p "$here/corpus"
for fid in 1 2; do
    { fetch "/messages.phtml?fid=$fid"; printf '\0'; fetch "$profile"; } > "$here/corpus/folder$fid.bin"
done
fetch "/messages.phtml?fid=1&offset=1000" > "$here/corpus/folder_end.bin"
{ fetch "/"; printf '\0'; fetch "/messages.phtml"; } > "$here/corpus/home_messages.bin"
guest "/messages.phtml?fid=1&offset=10" > "$here/corpus/expired_login_page.bin"
guest "/" > "$here/corpus/expired_home_page.bin"
