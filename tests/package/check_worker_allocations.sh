#!/usr/bin/env bash
# check_worker_allocations.sh <nm> [--except NAME.obj]... <object>...
# setup's worker takes every block from its Memory, which may refuse it; an
# allocation of its own (operator new, malloc) would end setup when it fails
# instead of ending in the clean-up. The objects given (the worker's, its
# inflater's and its Win32 host's) may call none, but for the C runtime's
# heap behind the host's Memory (calloc, in the host). std::string's and the
# tree containers' members taken from the runtime allocate there too.
set -uo pipefail
nm=$1
shift
except=" "
while [ "${1:-}" = --except ]; do
  except+="$2 "
  shift 2
done
# CTest hands a target's object list over as one argument, ";" between.
objects=()
for arg in "$@"; do
  IFS=';' read -ra parts <<<"$arg"
  objects+=("${parts[@]}")
done
fail=0
checked=0
for object in "${objects[@]}"; do
  name=$(basename "$object")
  case "$except" in *" $name "*) continue ;; esac
  checked=$((checked + 1))
  calls=$("$nm" -u "$object" | awk '{ print $NF }' |
    grep -E '^_{0,2}(Znw|Zna|malloc$|realloc$|strdup$|calloc$|ZNSt7__cxx1112basic_string|ZSt29_Rb_tree_insert)' || true)
  case "$name" in
    worker_host.cpp.obj) calls=$(grep -v -E '^_{0,2}calloc$' <<<"$calls" || true) ;;
  esac
  if [ -n "$calls" ]; then
    echo "$name allocates outside the worker's Memory: $(echo $calls)" >&2
    fail=1
  fi
done
[ $checked -gt 0 ] || { echo "no object checked" >&2; fail=1; }
[ $fail -eq 0 ] && echo "$checked objects allocate only through the worker's Memory"
exit $fail
