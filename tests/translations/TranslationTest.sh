#!/usr/bin/env bash
# Every text of the window that goes through the translation has its English form: the
# translation file, brought up to date with the sources, has nothing unfinished and nothing the
# sources no longer use.
#   TranslationTest.sh SOURCE_DIR LUPDATE
set -uo pipefail
source=$1
lupdate=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zu-ts-XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$source/translations/zu-programming_en.ts" "$work/en.ts"
"$lupdate" -silent "$source/src" -extensions cpp,h -ts "$work/en.ts" -no-obsolete \
  -locations none >"$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; exit 1; }
status=0
if grep -q 'type="unfinished"' "$work/en.ts"; then
  echo "texts without an English form:"
  grep -B2 'type="unfinished"' "$work/en.ts" | grep '<source>'
  status=1
fi
if ! diff -q "$source/translations/zu-programming_en.ts" "$work/en.ts" >/dev/null; then
  echo "the translation file differs from the sources' texts:"
  diff "$source/translations/zu-programming_en.ts" "$work/en.ts" | head -40
  status=1
fi
exit $status
