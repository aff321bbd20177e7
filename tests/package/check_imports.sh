#!/usr/bin/env bash
# check_imports.sh <objdump> <imports.list|-> <image>...
# A shipped program runs from the folder it was downloaded or unpacked into,
# where anyone may have put a DLL. The loader takes KnownDLLs from the system
# directory only, so the import tables may name nothing else; every other
# library is loaded at run time by its system path.
# With a list (imports.list), every imported function must be listed there
# for Windows 2000: on an older Windows than a function's, the loader refuses
# the whole program before any of its code runs.
set -uo pipefail
objdump=$1 list=$2
shift 2
known=" advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll "
known+=" shell32.dll shlwapi.dll user32.dll ws2_32.dll "
fail=0
for image in "$@"; do
  name=$(basename "$image")
  headers=$("$objdump" -p "$image")
  # "dll function" per import, as objdump prints the import tables.
  functions=$(awk '/DLL Name:/ { dll = tolower($3) } /^\t[ 0-9a-f]+\t +[0-9]+ +[A-Za-z_?@$]/ { print dll, $NF }' <<<"$headers")
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || { echo "$image: no import table read" >&2; fail=1; continue; }
  for dll in $dlls; do
    case "$known" in
      *" $dll "*) ;;
      *) echo "$name imports $dll, which the loader may take from the program's folder" >&2; fail=1 ;;
    esac
  done
  if [ "$list" != - ]; then
    [ -n "$functions" ] || { echo "$image: no imported function read" >&2; fail=1; continue; }
    problems=$(awk 'NR == FNR { if ($0 !~ /^#/ && NF >= 3) version[tolower($1) " " $2] = $3; next }
      { key = $1 " " $2
        if (!(key in version)) print "imports " $2 " from " $1 ", which is not in the list"
        else if (version[key] != "2000") print "imports " $2 " from " $1 ", which Windows has only since " version[key] ": look it up at run time" }' \
      "$list" - <<<"$functions")
    if [ -n "$problems" ]; then
      sed "s/^/$name /" <<<"$problems" >&2
      fail=1
    fi
  fi
  echo "$name: $(echo $dlls), $(wc -l <<<"$functions") functions"
done
exit $fail
