#!/usr/bin/env bash
# check_execution_level.sh IMAGE...
# Each image's manifest asks for the highest rights its user has: an
# administrator is asked to elevate, a standard user runs unelevated into the
# wizard's own error page instead of meeting a credential prompt. Naming a
# level at all keeps Windows from guessing an installer and from virtualising
# failed writes into apparent success.
set -euo pipefail
fail=0
for image in "$@"; do
  level=$(wrestool -x --raw --type=24 --name=1 "$image" |
          sed -n 's/.*<requestedExecutionLevel level="\([^"]*\)" uiAccess="\([^"]*\)".*/\1 uiAccess=\2/p')
  if [ "$level" = "highestAvailable uiAccess=false" ]; then
    echo "$image: highestAvailable"
  else
    echo "$image: the manifest asks for \"${level:-no level}\", not highestAvailable without uiAccess" >&2
    fail=1
  fi
done
exit "$fail"
