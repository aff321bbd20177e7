# Times a script's stages: `stage NAME` ends the running stage and starts the
# next (printing "== NAME"); `stage_report` ends the last and prints each
# stage's seconds and the total. Sourced by test, demo and bench.
_stage_names=() _stage_seconds=() _stage_current="" _stage_began=0 _stage_first=0

_stage_end() {
  local now
  now=$(date +%s)
  if [ -n "$_stage_current" ]; then
    _stage_names+=("$_stage_current")
    _stage_seconds+=($(( now - _stage_began )))
  fi
  _stage_current="" _stage_began=$now
  [ "$_stage_first" -ne 0 ] || _stage_first=$now
}

stage() {
  _stage_end
  _stage_current=$1
  echo "== $1"
}

stage_report() {
  _stage_end
  local i
  echo "Time by stage:"
  for i in "${!_stage_names[@]}"; do
    printf '  %6d s  %s\n' "${_stage_seconds[$i]}" "${_stage_names[$i]}"
  done
  printf '  %6d s  in all\n' $(( $(date +%s) - _stage_first ))
}
