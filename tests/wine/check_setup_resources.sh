#!/usr/bin/env bash
# check_setup_resources.sh SETUP.EXE MANIFEST
# The resources of a setup.exe as icoutils, a reader of its own, sees them:
# the directory lists exactly the shipped resources, in the sorted order the
# loader looks them up in; the dialog is an extended template in Tahoma; the
# icon group holds its nine images; the manifest is the one given.
set -euo pipefail
image=$1 manifest=$2
fail=0
problem() { echo "$image: $*" >&2; fail=1; }

expected="--type='SETUP' --name=2000 --language=1033"
for n in 1 2 3 4 5 6 7 8 9; do expected+=$'\n'"--type=3 --name=$n --language=1033"; done
expected+=$'\n'"--type=5 --name=1100 --language=1033"
expected+=$'\n'"--type=14 --name=1000 --language=1033"
expected+=$'\n'"--type=16 --name=1 --language=1033"
expected+=$'\n'"--type=24 --name=1 --language=1033"
listed=$(wrestool -l "$image" | sed 's/ \[.*//')
if [ "$listed" != "$expected" ]; then
  problem "resource directory differs:"
  diff <(echo "$expected") <(echo "$listed") >&2 || true
fi

payload_size=$(wrestool -x --raw --type=SETUP --name=2000 "$image" | wc -c)
[ "$payload_size" -gt 0 ] || problem "empty payload"

# An extended dialog template starts with version 1 and the signature 0xFFFF.
signature=$(wrestool -x --raw --type=5 --name=1100 "$image" | head -c 4 | od -An -tx1 | tr -d ' \n')
[ "$signature" = "0100ffff" ] || problem "dialog 1100 is not an extended template ($signature)"
# Its first text is the font's face name (the box's size and layout follow
# from it; the Wine test checks those on the box itself).
face=$(wrestool -x --raw --type=5 --name=1100 "$image" | strings -el -n 3 | head -n 1)
[ "$face" = "Tahoma" ] || problem "dialog 1100's font is \"$face\", not Tahoma"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
wrestool -x --type=14 --name=1000 -o "$scratch/setup.ico" "$image"
images=$(icotool -l "$scratch/setup.ico" | sed -n 's/.*--width=\([0-9]*\) .*--bit-depth=\([0-9]*\) .*/\1x\2/p' | sort -V | tr '\n' ' ')
[ "$images" = "16x4 16x8 16x32 32x4 32x8 32x32 48x4 48x8 48x32 " ] || problem "icon group 1000 holds: $images"

wrestool -x --raw --type=24 --name=1 "$image" >"$scratch/manifest"
cmp -s "$scratch/manifest" "$manifest" || problem "the manifest is not $manifest"

[ "$fail" -eq 0 ] && echo "$image: resources as shipped"
exit "$fail"
