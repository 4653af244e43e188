#!/usr/bin/env bash
# Makes the Wine prefix (Chinese locale, CJK fonts, Wine-drawn window frames) once, then makes
# sure an X display and one persistent, booted Wine server are up.
set -euo pipefail
. "$(dirname "$0")/env.sh"

display_up || exit 1

if [ ! -f "$WINEPREFIX/.client-ready" ]; then
  echo "creating the Wine prefix in $WINEPREFIX"
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine_server_up

  reg=$(mktemp --suffix=.reg)
  trap 'rm -f "$reg"' EXIT
  face="WenQuanYi Micro Hei"
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    # Wine draws the frames itself, as Windows does; no window manager runs under Xvfb.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for f in "SimSun" "宋体" "NSimSun" "新宋体" "SimHei" "黑体" "Microsoft YaHei" "微软雅黑" "Tahoma" "MS Sans Serif"; do
      printf '"%s"="%s"\r\n' "$f" "$face"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    for f in "MS Shell Dlg" "MS Shell Dlg 2" "SimSun" "宋体"; do
      printf '"%s"="%s"\r\n' "$f" "$face"
    done
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
  wine_exec regedit /S "Z:${reg//\//\\}" </dev/null >/dev/null 2>&1
  touch "$WINEPREFIX/.client-ready"
fi

wine_server_up

# Wine draws the caption buttons and the scroll-bar arrows with its own symbol font; this prefix
# does not find it where Wine keeps it, and the buttons would show as the letters "0 1 r". The
# font goes into the prefix's font folder, registered like any installed font.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
  wine_exec reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Marlett (TrueType)' /t REG_SZ \
    /d marlett.ttf /f </dev/null >/dev/null 2>&1
fi
