# Shared by scripts/test and scripts/demo: installs what the build needs and
# prepares the wine prefix. Sourced, not run.

TG_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TG_PACKAGES=(cmake g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth
  fonts-wqy-microhei fonts-arphic-gbsn00lp fonts-wine imagemagick libstb-dev libcli11-dev nlohmann-json3-dev fp-utils
  locales libgl1-mesa-dri libglx-mesa0 git)

tg_install() {
  local missing=() installed
  # One query for all of them (a start of dpkg-query each is seconds on a busy machine).
  installed=" $(dpkg-query -W -f='${Package} ${Status}\n' "${TG_PACKAGES[@]}" 2>/dev/null |
    awk '$2 == "install" && $NF == "installed" {printf "%s ", $1}')"
  for p in "${TG_PACKAGES[@]}"; do
    [[ $installed == *" $p "* ]] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  # With their recommended packages: wine draws with its fonts and the X
  # extensions it recommends, as on the machines the tests were written on.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Creates the wine prefix of a build tree once: no Mono/Gecko installer may
# block it, and windows are unmanaged so a closing dialog costs no 2 s wait.
tg_wine_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.tg-ready" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 180 wineboot -i >/dev/null 2>&1 || true
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    timeout 60 wineserver -w
    touch "$WINEPREFIX/.tg-ready"
  fi
  # Chinese in dialogs is drawn with a Song face from Debian whose metrics are
  # SimSun's: "AR PL SungtiL GB" at 9 pt is 12 px high, its Chinese glyphs
  # 12 px and its Latin ones 6 px wide, so a dialog of "宋体" 9 pt gets
  # SimSun's dialog base units (6 x 12 px) and its texts the widths a Windows
  # user sees. "宋体" (the dialogs' font) and 新宋体 are replaced by it.
  # SimSun and NSimSun, which wine's system font falls back to for Chinese in
  # captions and message boxes, are replaced by WenQuanYi Micro Hei: linked
  # from the system font, SungtiL GB (a GB2312 font) draws empty boxes.
  # The names are passed as UTF-8, hence the locale. The marker is named after
  # the replacements, so a prefix made with earlier ones is rewritten.
  if [ ! -f "$WINEPREFIX/.tg-fonts-sungti-wqy" ]; then
    local face
    for face in 宋体 新宋体; do
      LC_ALL=C.UTF-8 timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'AR PL SungtiL GB' /f >/dev/null 2>&1
    done
    for face in SimSun NSimSun; do
      LC_ALL=C.UTF-8 timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    timeout 60 wineserver -w
    rm -f "$WINEPREFIX/.tg-fonts" "$WINEPREFIX/.tg-fonts-sungti"
    touch "$WINEPREFIX/.tg-fonts-sungti-wqy"
  fi
  tg_wine_marlett
}

# Caption buttons (minimise, maximise, close) are drawn with the Marlett
# symbol font. Debian's wine ships it in its data folder but registers only
# its bitmap fonts, so without this the buttons fall back to a text font and
# show the letters "0 1 r". Wine loads every font in the prefix's Fonts folder.
tg_wine_marlett() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" source
  [ -f "$fonts/marlett.ttf" ] && return 0
  for source in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf \
      /usr/lib/x86_64-linux-gnu/wine/fonts/marlett.ttf /opt/wine*/share/wine/fonts/marlett.ttf; do
    if [ -f "$source" ]; then
      mkdir -p "$fonts" && cp "$source" "$fonts/marlett.ttf"
      return 0
    fi
  done
  echo "warning: wine's marlett.ttf not found (package fonts-wine): caption buttons will show letters" >&2
}

tg_configure_build() {  # preset [cmake -D options...]: configures and builds build/PRESET
  local preset=$1 dir=$TG_ROOT/build/$1
  shift
  cmake --preset "$preset" -S "$TG_ROOT" -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j2
}

# The Simplified Chinese locale wine runs under for a Chinese user's set-up
# (code page 936, Chinese common dialogs and message-box buttons). Generated
# once from the locales package's sources; prints its name, or fails.
TG_ZH_LOCALE=zh_CN.UTF-8
tg_zh_locale() {
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
    local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo localedef -i zh_CN -f UTF-8 "$TG_ZH_LOCALE" >/dev/null 2>&1 || return 1
  fi
  echo "$TG_ZH_LOCALE"
}

# Chromium renders tgv's HTML report in the report's browser test; only that
# test installs it (it is large, and nothing else needs it).
tg_install_chromium() {
  command -v chromium >/dev/null 2>&1 && return 0
  local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "installing: chromium"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq chromium >/dev/null
}
