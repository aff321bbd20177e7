#!/usr/bin/env bash
# bench/sizes.sh <build-dir>
# The shipped programs' sizes in a Windows build tree (the i686 shipping
# build, preset win32, is the one the limits are for): setup.exe as linked,
# before the packer adds a payload, and _install.exe, each with its sections
# and resources.
# Prints figures; asserts nothing.
set -euo pipefail
build=${1:?usage: bench/sizes.sh <build-dir>}
paths="$build/bench/bench_paths.sh"
[ -f "$paths" ] || { echo "$paths missing: not a Windows build tree, or not configured" >&2; exit 2; }
# shellcheck source=/dev/null
. "$paths"
command -v wrestool >/dev/null || { echo "wrestool (icoutils) is needed" >&2; exit 2; }

kib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }

# The image's sections, as objdump names them, with their sizes in KiB.
sections() {
  local index name size rest
  "$objdump" -h "$1" | while read -r index name size rest; do
    if [[ $index =~ ^[0-9]+$ ]]; then printf "  %-10s %8s KiB\n" "$name" "$(kib $((16#$size)))"; fi
  done
}

# Resource bytes by type.
resources() {
  wrestool -l "$1" | sed -n "s/^--type=\([^ ]*\) .*\[\(type=\([a-z_]*\) \)\{0,1\}offset=[^ ]* size=\([0-9]*\)\]/\1 \3 \4/p" |
    awk '{ key = NF == 2 ? $1 : $1 " (" $2 ")"; sum[key] += $NF; n[key]++ }
         END { for (k in sum) printf "%d\t  %-22s %3d x %9.1f KiB\n", sum[k], k, n[k], sum[k] / 1024 }' |
    sort -t "$(printf '\t')" -k1,1nr | cut -f2-
}

bare=$(stat -c %s "$setup")
echo "setup.exe      $(kib "$bare") KiB without a payload"
sections "$setup"
resources "$setup"
echo "FIGURE|setup.exe size without payload|$(kib $bare)|KiB|limit|150|<="

install_size=$(stat -c %s "$install")
echo "_install.exe   $(kib "$install_size") KiB"
sections "$install"
resources "$install"
echo "FIGURE|_install.exe size|$(kib "$install_size")|KiB|limit|1536|<"
