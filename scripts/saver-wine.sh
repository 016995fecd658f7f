# Sourced by run-saver and benchmark: runs the saver of the test build
# (x86_64, the machine cannot run the 32-bit release) under wine64 in a
# prefix of its own, so that it never meets the test runs' wineserver.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
saver="${QEV_SAVER:-$top/build/tests/vintraflm.scr}"  # QEV_SAVER: another build
export WINEPREFIX="$top/build/saver-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=en_US.UTF-8 LC_CTYPE=C.UTF-8
unset LC_ALL http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY

# A wineserver for this prefix on the current display.
wine_up() {
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
  # The form's fonts are not on this machine; their metric twins are.
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Times New Roman" \
    /d "Liberation Serif" /f </dev/null >/dev/null 2>&1 || true
}
wine_down() { /usr/lib/wine/wineserver -k 2>/dev/null || true; }

# Starts the saver with the given arguments in the background; sets saver_pid.
saver_start() {
  /usr/lib/wine/wine64 "$saver" "$@" </dev/null >/dev/null 2>&1 &
  saver_pid=$!
}

# Waits up to $1 seconds for the saver to paint (the screen no longer
# black); false when it did not.
saver_wait_painted() {
  local end=$((SECONDS + $1))
  while ((SECONDS < end)); do
    if awk -v b="$(screen_brightness)" 'BEGIN { exit !(b > 0.01) }'; then return 0; fi
  done
  return 1
}

# Whether an X display answers.
display_usable() { [ -n "${DISPLAY:-}" ] && import -window root -crop 1x1+0+0 null: 2>/dev/null; }

# Mean brightness of the screen, 0..1.
screen_brightness() { import -window root png:- 2>/dev/null | convert png:- -format '%[fx:mean]' info:; }
