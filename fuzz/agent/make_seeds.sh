#!/bin/sh
# Writes the seed inputs of the site-worker fuzz target into corpus/ from the stand-in site
# (tests/support/site, program velmora-site of a default build): a folder's list page, then a NUL,
# then a contact's profile page, the site's address written as "http://h/" as the target expects.
# Usage: make_seeds.sh <build dir>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}
port=18765
"$build/tests/support/site/velmora-site" $port >/dev/null &
pid=$!
trap 'kill $pid' EXIT
sleep 1
jar=$(mktemp)
base="http://127.0.0.1:$port"
curl -s -c "$jar" -b "$jar" -o /dev/null "$base/"
curl -s -c "$jar" -b "$jar" -o /dev/null -d "login=velmora&password=secret&login_action=login" "$base/tips/login.phtml"
fetch() { curl -s -b "$jar" "$base$1" | sed "s#http://127.0.0.1:$port/#http://h/#g"; }
profile=$(curl -s -b "$jar" "$base/messages.phtml?fid=0" | grep -o "http://127.0.0.1:$port/[a-z0-9_]*/?oid=[0-9]*" | head -1 |
          sed "s#http://127.0.0.1:$port##")
mkdir -p "$here/corpus"
for fid in 0 1; do
    { fetch "/messages.phtml?fid=$fid"; printf '\0'; fetch "$profile"; } > "$here/corpus/folder$fid.bin"
done
fetch "/messages.phtml?fid=0&offset=1000" > "$here/corpus/folder_end.bin"
{ fetch "/"; printf '\0'; fetch "/messages.phtml"; } > "$here/corpus/home_messages.bin"
rm -f "$jar"
