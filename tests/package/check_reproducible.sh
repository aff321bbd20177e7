#!/usr/bin/env bash
# check_reproducible.sh SOURCE_DIR WORK_DIR TOOLCHAIN
# Builds the package twice from the same sources, in two fresh trees at
# different paths one after the other, and compares the shipped images byte
# for byte. (Fresh trees: a tree built before the last commit keeps file
# times older than the commit's, which the payload stores as they are.)
# The programs of WORK_DIR, the tree whose tests run them, must be those
# bytes too: a build without the tests ships the same images.
set -euo pipefail
source_dir=$1 work=$2/reproducibility toolchain=$3
rm -rf "$work"
for tree in first second-tree; do
  cmake -S "$source_dir" -B "$work/$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  cmake --build "$work/$tree" -j 2 --target package >/dev/null
done
status=0
for image in bin/_install.exe launcher/win32/bare/setup.exe bin/setup.exe; do
  a=$(sha256sum <"$work/first/$image" | cut -d' ' -f1)
  b=$(sha256sum <"$work/second-tree/$image" | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then
    echo "same:    $image $a"
  else
    echo "differs: $image $a $b"
    cmp -l "$work/first/$image" "$work/second-tree/$image" | head -n 5 || true
    status=1
  fi
done
for image in bin/_install.exe launcher/win32/bare/setup.exe; do
  if cmp -s "$work/first/$image" "$2/$image"; then
    echo "tested:  $image is the one that ships"
  else
    echo "differs: $image under test is not the one a build without tests ships"
    status=1
  fi
done
[ $status -ne 0 ] || rm -rf "$work"
exit $status
