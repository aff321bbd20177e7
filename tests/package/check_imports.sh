#!/usr/bin/env bash
# check_imports.sh <objdump> <image>...
# A shipped program runs from the folder it was downloaded or unpacked into,
# where anyone may have put a DLL. The loader takes KnownDLLs from the system
# directory only, so the import tables may name nothing else; every other
# library is loaded at run time by its system path.
set -uo pipefail
objdump=$1
shift
known=" advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll "
known+=" shell32.dll shlwapi.dll user32.dll ws2_32.dll "
fail=0
for image in "$@"; do
  imports=$("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "$image: no import table read" >&2; fail=1; continue; }
  for dll in $imports; do
    case "$known" in
      *" $dll "*) ;;
      *) echo "$(basename "$image") imports $dll, which the loader may take from the program's folder" >&2; fail=1 ;;
    esac
  done
  echo "$(basename "$image"): $(echo $imports)"
done
exit $fail
