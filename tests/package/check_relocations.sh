#!/usr/bin/env bash
# check_relocations.sh <objdump> <before.exe> <after.exe>...
# The images are DYNAMIC_BASE: Windows loads them at a random base and applies
# their base relocations, Wine loads them where they were linked and applies
# none, so a relocation the packer's rewrite broke would crash on Windows
# only. Each after-image, the before-image with its resources rewritten, must
# keep: .reloc's contents; the base relocation directory's size, and its RVA
# moved exactly as far as .reloc; the address of every section before .rsrc;
# and, for every fixup, a section before .rsrc with the same contents.
set -uo pipefail
objdump=$1
before=$2
shift 2
objcopy="${objdump%objdump*}objcopy${objdump##*objdump}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# index name size vma file-offset, one line per section.
sections() { "$objdump" -h "$1" | awk '$1 ~ /^[0-9]+$/ && NF >= 7 { print $1, $2, $3, $4, $6 }'; }
# From objdump -p's text: rva size of the base relocation directory; the image base.
directory() { awk '$1 == "Entry" && $2 == "5" { print $3, $4; exit }' <<<"$1"; }
image_base() { awk '$1 == "ImageBase" { print $2; exit }' <<<"$1"; }
field() { awk -v name="$2" -v column="$3" '$2 == name { print $column; exit }' <<<"$1"; }
dump() { "$objcopy" -O binary --only-section="$2" "$1" "$3"; }

before_sections=$(sections "$before")
before_headers=$("$objdump" -p "$before")
read -r before_rva before_size <<<"$(directory "$before_headers")"
before_base=$(image_base "$before_headers")
if [ -z "$before_sections" ] || [ -z "$before_base" ] || [ -z "${before_size:-}" ]; then
  echo "$before: no section table or data directory read" >&2
  exit 1
fi
before_reloc_vma=$(field "$before_sections" .reloc 4)
if [ -z "$before_reloc_vma" ] || [ $((16#$before_size)) -eq 0 ]; then
  echo "$(basename "$before") has no base relocations, though the loader moves it" >&2
  exit 1
fi
rsrc_index=$(field "$before_sections" .rsrc 1)
[ -n "$rsrc_index" ] || { echo "$before: no .rsrc section" >&2; exit 1; }
dump "$before" .reloc "$work/before.reloc" || exit 1

# The sections the fixups patch. Each target RVA is mapped to its section;
# one outside every section before .rsrc is reported.
fixups=$(awk '$1 == "reloc" && $NF != "ABSOLUTE" { gsub(/[][]/, "", $5); print $5, $NF }' <<<"$before_headers")
fixup_count=$(grep -c . <<<"$fixups")
patched=$(awk -v base="$before_base" -v last="$rsrc_index" '
  function hex(s,   i, v) {
    s = tolower(s)
    for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return v
  }
  NR == FNR { start[$1] = hex($4) - hex(base); end[$1] = start[$1] + hex($3); name[$1] = $2; next }
  {
    rva = hex($1); found = ""
    for (i in start) if (rva >= start[i] && rva < end[i]) found = i
    if (found == "" || found + 0 >= last + 0) {
      printf "fixup %s at RVA 0x%s patches %s, which the rewrite may change\n", $2, $1,
             (found == "" ? "no section" : name[found]) > "/dev/stderr"
      bad = 1
    } else used[name[found]] = 1
  }
  END { for (n in used) print n; exit bad }' <(echo "$before_sections") <(echo "$fixups") | sort) || exit 1
[ -n "$patched" ] || { echo "$before: no fixups read" >&2; exit 1; }
while read -r name; do dump "$before" "$name" "$work/before$name" || exit 1; done <<<"$patched"

fail=0
for after in "$@"; do
  label=$(basename "$(dirname "$after")")/$(basename "$after")
  after_sections=$(sections "$after")
  read -r after_rva after_size <<<"$(directory "$("$objdump" -p "$after")")"
  if [ -z "$after_sections" ] || [ -z "${after_size:-}" ]; then
    echo "$label: no section table or data directory read" >&2
    fail=1
    continue
  fi
  problems=()
  while read -r index name _ vma _; do
    [ "$index" -lt "$rsrc_index" ] || continue
    now=$(awk -v i="$index" '$1 == i { print $2, $4 }' <<<"$after_sections")
    [ "$now" = "$name $vma" ] || problems+=("section $index was $name at $vma, is now ${now:-missing}")
  done <<<"$before_sections"
  after_reloc_vma=$(field "$after_sections" .reloc 4)
  if [ -z "$after_reloc_vma" ]; then
    problems+=(".reloc is gone")
  else
    dump "$after" .reloc "$work/after.reloc" || exit 1
    cmp -s "$work/before.reloc" "$work/after.reloc" || problems+=(".reloc's contents differ")
    moved=$((16#$after_reloc_vma - 16#$before_reloc_vma))
    expected=$((16#$before_rva + moved))
    [ $((16#$after_size)) -eq $((16#$before_size)) ] ||
      problems+=("the base relocation directory's size is 0x$after_size, was 0x$before_size")
    [ $((16#$after_rva)) -eq $expected ] ||
      problems+=("$(printf 'the base relocation directory is at 0x%s, but .reloc moved by 0x%x, so it belongs at 0x%x' \
                 "$after_rva" "$moved" "$expected")")
  fi
  while read -r name; do
    dump "$after" "$name" "$work/after.section" || exit 1
    cmp -s "$work/before$name" "$work/after.section" ||
      problems+=("$name, which fixups patch, changed")
  done <<<"$patched"
  if [ ${#problems[@]} -gt 0 ]; then
    for problem in "${problems[@]}"; do echo "$label: $problem" >&2; done
    fail=1
  else
    printf '%s: %d fixups in %s kept; .reloc at 0x%s, moved by 0x%x\n' \
      "$label" "$fixup_count" "$(echo $patched)" "$after_reloc_vma" "$moved"
  fi
done
exit $fail
