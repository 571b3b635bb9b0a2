#!/usr/bin/env bash
# Every text of the window that goes through the translation has its form in each language: each
# translation file, brought up to date with the sources, has nothing unfinished and nothing the
# sources no longer use.
#   TranslationTest.sh SOURCE_DIR LUPDATE
set -uo pipefail
source=$1
lupdate=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zu-ts-XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$source"/translations/zu-programming_*.ts; do
  name=$(basename "$ts")
  cp "$ts" "$work/$name"
  "$lupdate" -silent "$source/src" -extensions cpp,h -ts "$work/$name" -no-obsolete \
    -locations none >"$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; exit 1; }
  if grep -q 'type="unfinished"' "$work/$name"; then
    echo "$name: texts without a translation:"
    grep -B2 'type="unfinished"' "$work/$name" | grep '<source>'
    status=1
  fi
  if ! diff -q "$ts" "$work/$name" >/dev/null; then
    echo "$name differs from the sources' texts:"
    diff "$ts" "$work/$name" | head -40
    status=1
  fi
done
exit $status
