#!/usr/bin/env bash
# The packer's command line: pack, list and verify a payload, and refusals
# that name the file and the reason without leaving an output behind.
# Usage: launcher_packer_cli_test.sh PACKER
set -u
packer=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

cd "$dir"
{ printf 'MZ'; head -c 126 /dev/zero; } > trampo.exe  # an MZ header and no PE image
printf 'hello' > readme.txt
: > empty.txt
mkdir folder && printf 'b' > folder/b.txt && printf 'a' > folder/a.txt
touch -d '2004-05-14 12:00:00 UTC' readme.txt

"$packer" pack -o payload.bin trampo.exe readme.txt folder >out.txt 2>err.txt
check "pack succeeds" test $? -eq 0
check "pack writes a zlib stream at the default level" test "$(head -c 2 payload.bin | od -An -tx1 | tr -d ' ')" = 789c
"$packer" list payload.bin >list.txt 2>&1
check "list succeeds" test $? -eq 0
check "list counts the entries" grep -q '^4 entries' list.txt
check "list keeps the order given, a folder sorted" \
  test "$(awk 'NR>2 {print $NF}' list.txt | tr '\n' ' ')" = "trampo.exe readme.txt a.txt b.txt "
check "list shows the stored write time" grep -q '2004-05-14 12:00:00  readme.txt' list.txt
"$packer" verify payload.bin >verify.txt 2>&1
check "verify succeeds" test $? -eq 0
check "verify reports OK" grep -q 'OK, 4 entries' verify.txt

"$packer" pack -o refused.bin readme.txt empty.txt >out.txt 2>err.txt
check "an empty file is refused" test $? -eq 1
check "the refusal names the file and the reason" grep -q 'empty.txt: .*empty' err.txt
check "nothing is written on failure" test ! -e refused.bin

head -c 20 payload.bin > cut.bin
"$packer" verify cut.bin >out.txt 2>err.txt
check "a cut stream fails verification" test $? -eq 1
check "the failure names the file" grep -q 'cut.bin: .*cut short' err.txt

"$packer" pack payload.bin >out.txt 2>err.txt
check "a missing -o is a usage error" test $? -eq 2
"$packer" --help >help.txt
check "--help documents repack" grep -q 'packer repack SETUP.EXE' help.txt

"$packer" embed trampo.exe payload.bin -o setup.exe >out.txt 2>err.txt
check "embedding into something that is no PE image fails" test $? -eq 1
check "and says why" grep -q 'trampo.exe: not a PE image' err.txt

exit $((failures > 0))
