# Shell functions that give Wine a sandbox inside a build tree, in one of
# three beds:
#   win64  a 64-bit prefix, for the x86_64 images (the quick loop)
#   wow64  a 64-bit prefix with 32-bit support, where the i686 images run as
#          on 64-bit Windows (Program Files (x86), syswow64, Wow6432Node)
#   win32  a 32-bit prefix, as on 32-bit Windows
# Each bed has, under <dir>/<bed>:
#   template  the prefix every run starts from (created on demand)
#   run/NAME  a fresh copy of the template for a run that changes state
# and <dir>/home is the scratch HOME Wine sees (never the real one).
# Source it, then call wine_setup <dir> <bed>. The functions wine, wineserver,
# wineboot and winepath then run the loader and server that bed means: which
# one /usr/bin/wine would pick depends on the Wine packages installed.

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

QUILLON_WINE_LIB=${QUILLON_WINE_LIB:-/usr/lib/wine}

# Sets the loader, server and prefix architecture of bed $1.
wine_bed() {
  case $1 in
    win64) QUILLON_WINE_LOADER=$QUILLON_WINE_LIB/wine64; export WINEARCH=win64 ;;
    # The 32-bit loader starts 64-bit programs (none of ours) through
    # WINELOADER with "64" appended.
    wow64) QUILLON_WINE_LOADER=$QUILLON_WINE_LIB/wine; export WINEARCH=win64 ;;
    win32) QUILLON_WINE_LOADER=$QUILLON_WINE_LIB/wine; export WINEARCH=win32 ;;
    *) echo "wine.sh: unknown bed \"$1\" (win64, wow64, win32)" >&2; return 1 ;;
  esac
  QUILLON_WINE_BED=$1
  # A prefix of 64-bit Windows is made, and set up, by the 64-bit loader.
  QUILLON_WINE_MAKER=$QUILLON_WINE_LIB/wine64
  [ "$1" = win32 ] && QUILLON_WINE_MAKER=$QUILLON_WINE_LOADER
  export WINELOADER=$QUILLON_WINE_LOADER
  # One server serves 32-bit and 64-bit clients alike.
  export WINESERVER=$QUILLON_WINE_LIB/wineserver64
  [ -x "$QUILLON_WINE_LOADER" ] || { echo "wine.sh: $QUILLON_WINE_LOADER is missing (scripts/bootstrap)" >&2; return 1; }
}

wine() { "$QUILLON_WINE_LOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
wineboot() { wine wineboot.exe "$@"; }
winepath() { wine winepath.exe "$@"; }

wine_setup() {
  wine_bed "${2:-win64}" || return 1
  QUILLON_WINE_DIR=$1/$QUILLON_WINE_BED
  mkdir -p "$QUILLON_WINE_DIR" "$1/home"
  export HOME="$1/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
  export WINEPREFIX="$QUILLON_WINE_DIR/template"
  wine_ensure_template
}

# What the template holds; a template made by an older version is made anew.
QUILLON_TEMPLATE_VERSION=3

# Creates the template prefix once; concurrent callers wait on the lock.
wine_ensure_template() {
  local dir=$QUILLON_WINE_DIR
  (
    flock 9
    if [ "$(cat "$dir/template/.ready" 2>/dev/null)" != "$QUILLON_TEMPLATE_VERSION" ]; then
      rm -rf "$dir/template"
      # A prefix with 32-bit support needs the 32-bit Wine when it is made.
      [ "$QUILLON_WINE_BED" = win64 ] || [ -x "$QUILLON_WINE_LIB/wine" ] ||
        { echo "wine.sh: the $QUILLON_WINE_BED bed needs wine32:i386 (scripts/bootstrap)" >&2; exit 1; }
      WINEPREFIX="$dir/template" WINELOADER="$QUILLON_WINE_MAKER" "$QUILLON_WINE_MAKER" wineboot.exe -i >/dev/null 2>&1 || true
      WINEPREFIX="$dir/template" wineserver -w
      wine_template_is_bed "$dir/template" ||
        { echo "wine.sh: $dir/template is not a $QUILLON_WINE_BED prefix" >&2; exit 1; }
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

# Whether the prefix $1 holds the Windows the bed means.
wine_template_is_bed() {
  case $QUILLON_WINE_BED in
    win64) [ -f "$1/drive_c/windows/system32/kernel32.dll" ] && grep -q '^#arch=win64' "$1/system.reg" ;;
    wow64) [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ] && grep -q '^#arch=win64' "$1/system.reg" ;;
    win32) [ ! -e "$1/drive_c/windows/syswow64" ] && grep -q '^#arch=win32' "$1/system.reg" ;;
  esac
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
  WINEPREFIX="$prefix" WINELOADER="$QUILLON_WINE_MAKER" "$QUILLON_WINE_MAKER" regedit.exe /S \
    "$(WINEPREFIX="$prefix" winepath -w "$reg")" >/dev/null 2>&1 || true
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
  # A drive letter onto the user's TEMP, as subst or a mapped network drive
  # makes one: a second spelling of the same folders.
  local temp
  for temp in "$copy"/drive_c/users/*/Temp; do
    [ "$temp" = "${temp%/users/Public/Temp}" ] || continue
    ln -sfn "../${temp#"$copy/"}" "$copy/dosdevices/u:"
  done
  # The Windows version the prefix reports (winxp, win7, ...), as winecfg
  # stores it; read when the prefix's server starts.
  if [ -n "${QUILLON_WINE_VERSION:-}" ]; then
    printf '\n[Software\\\\Wine] 0\n"Version"="%s"\n' "$QUILLON_WINE_VERSION" >>"$copy/user.reg"
  fi
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
# Xvfb picks a free display itself and says which (-displayfd): two tests that
# start theirs at once must not end up sharing one, since input and the focus
# are the display's.
xvfb_start() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local said i
  said=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$said" >/dev/null 2>&1 </dev/null &
  QUILLON_XVFB_PID=$!
  for i in $(seq 100); do
    if [ -s "$said" ] && kill -0 "$QUILLON_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$(head -n 1 "$said")"
      rm -f "$said"
      return 0
    fi
    kill -0 "$QUILLON_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$said"
  kill "$QUILLON_XVFB_PID" 2>/dev/null || true
  unset QUILLON_XVFB_PID
  echo "could not start Xvfb" >&2
  return 1
}

xvfb_stop() {
  [ -n "${QUILLON_XVFB_PID:-}" ] && kill "$QUILLON_XVFB_PID" 2>/dev/null || true
  unset QUILLON_XVFB_PID
}
