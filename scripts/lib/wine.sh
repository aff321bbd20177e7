# Shell functions that give Wine a sandbox inside a build tree:
#   <dir>/template  the prefix every run starts from (created on demand)
#   <dir>/home      the scratch HOME Wine sees (never the real one)
#   <dir>/run/NAME  a fresh copy of the template for a run that changes state
# Source it, then call wine_setup <dir>.

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

wine_setup() {
  QUILLON_WINE_DIR=$1
  mkdir -p "$QUILLON_WINE_DIR/home"
  export HOME="$QUILLON_WINE_DIR/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
  export WINEPREFIX="$QUILLON_WINE_DIR/template"
  wine_ensure_template
}

# What the template holds; a template made by an older version is made anew.
QUILLON_TEMPLATE_VERSION=2

# Creates the template prefix once; concurrent callers wait on the lock.
wine_ensure_template() {
  local dir=$QUILLON_WINE_DIR
  (
    flock 9
    if [ "$(cat "$dir/template/.ready" 2>/dev/null)" != "$QUILLON_TEMPLATE_VERSION" ]; then
      rm -rf "$dir/template"
      WINEPREFIX="$dir/template" wineboot -i >/dev/null 2>&1 || true
      WINEPREFIX="$dir/template" wineserver -w
      # Wine links Desktop, Documents and the like into $HOME; real folders keep
      # every copy of the prefix to itself.
      local link
      for link in "$dir"/template/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
      done
      wine_template_settings "$dir/template"
      echo "$QUILLON_TEMPLATE_VERSION" >"$dir/template/.ready"
    fi
  ) 9>"$dir/.template.lock"
}

# Makes the prefix draw and behave like Windows:
# - Wine's own fonts (Tahoma, Marlett, Wingdings, Symbol, ...), which Debian's
#   Wine does not load from its data folder, and "Arial Narrow" as the
#   metric-compatible Liberation Sans Narrow; otherwise every face falls back
#   to a much wider one and texts overflow their boxes;
# - no wait for a window manager that Xvfb does not have: without
#   "Managed"="N" every hidden top-level window (a message box that returns,
#   the wizard hiding) stalls for 2 s.
wine_template_settings() {
  local prefix=$1 fonts="$1/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -f /usr/share/wine/fonts/*.ttf "$fonts"/ 2>/dev/null || true
  cp -f /usr/share/fonts/truetype/liberation/LiberationSansNarrow-*.ttf "$fonts"/ 2>/dev/null || true
  local reg="$prefix/settings.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' '"Arial Narrow"="Liberation Sans Narrow"' '' >"$reg"
  WINEPREFIX="$prefix" wine regedit /S "$(WINEPREFIX="$prefix" winepath -w "$reg")" >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w
  rm -f "$reg"
}

# Points WINEPREFIX at a fresh copy of the template named $1.
wine_fresh_prefix() {
  local copy="$QUILLON_WINE_DIR/run/$1"
  rm -rf "$copy"
  mkdir -p "$QUILLON_WINE_DIR/run"
  cp -a "$QUILLON_WINE_DIR/template" "$copy"
  # A second fixed drive, for tests of what happens off the system drive.
  mkdir -p "$copy/drive_t"
  ln -sfn ../drive_t "$copy/dosdevices/t:"
  export WINEPREFIX="$copy"
}

# Starts a persistent server for the current prefix so that each program starts
# in a fraction of a second; its output must not hold our stdout open.
wine_start_server() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

wine_stop_server() {
  wineserver -k >/dev/null 2>&1 || true
}

# Starts a virtual display unless one is given; sets DISPLAY and QUILLON_XVFB_PID.
xvfb_start() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    QUILLON_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$QUILLON_XVFB_PID" 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2
  return 1
}

xvfb_stop() {
  [ -n "${QUILLON_XVFB_PID:-}" ] && kill "$QUILLON_XVFB_PID" 2>/dev/null || true
  unset QUILLON_XVFB_PID
}
