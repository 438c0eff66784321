#!/usr/bin/env bash
# tgv's HTML report seen by a real browser: the starter library's catalogue
# is rendered by headless Chromium (installed when missing) to a PNG, and its
# DOM, as the browser parsed it, must hold one card per record and the page
# must log nothing to the console.
# Usage: ReportInBrowser.sh TGV STARTER_JSON WORK_DIR [TEXTURE_DIR]
set -uo pipefail
tgv=$1 starter=$2 work=$3 textures=${4:-}
. "$(dirname "$0")/../../../scripts/lib.sh"
tg_install_chromium || { echo "FAIL: chromium could not be installed"; exit 1; }

rm -rf "$work"; mkdir -p "$work"
"$tgv" build "$starter" -o "$work/starter.tgv" >/dev/null || { echo "FAIL: tgv build"; exit 1; }
"$tgv" report "$work/starter.tgv" -o "$work/report.html" --lang en ${textures:+--textures "$textures"} ||
  { echo "FAIL: tgv report"; exit 1; }
"$tgv" report "$work/starter.tgv" -o "$work/report-zh.html" ${textures:+--textures "$textures"} ||
  { echo "FAIL: tgv report in Chinese"; exit 1; }
records=$("$tgv" info --json "$work/starter.tgv" | sed -n 's/^ *"records": \([0-9]*\),$/\1/p')

browse() {  # extra chromium arguments...; stdout: what the browser prints, stderr: its log
  local profile; profile=$(mktemp -d)
  local page="file://$work/report.html"
  case ${!#} in file://*) page=${!#}; set -- "${@:1:$#-1}" ;; esac
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --enable-logging=stderr --v=0 --hide-scrollbars "$@" "$page"
  local rc=$?
  rm -rf "$profile"
  return $rc
}

browse --dump-dom > "$work/dom.html" 2> "$work/dom.log" || { echo "FAIL: chromium --dump-dom"; tail "$work/dom.log"; exit 1; }
browse --window-size=1280,1400 --screenshot="$work/report.png" > /dev/null 2> "$work/png.log" ||
  { echo "FAIL: chromium --screenshot"; tail "$work/png.log"; exit 1; }

status=0
cards=$(grep -o '<article class="card">' "$work/dom.html" | wc -l)
echo "records: $records, cards in the browser's DOM: $cards"
[ -n "$records" ] && [ "$records" -gt 0 ] && [ "$cards" -eq "$records" ] || { echo "FAIL: card count"; status=1; }
sections=$(grep -o '<section>' "$work/dom.html" | wc -l)
toc=$(grep -o '<li><a href="#c' "$work/dom.html" | wc -l)
echo "categories: $sections sections, $toc contents entries"
[ "$sections" -gt 0 ] && [ "$sections" -eq "$toc" ] || { echo "FAIL: contents and sections differ"; status=1; }
if [ -n "$textures" ]; then
  thumbnails=$(grep -o 'url(data:image/png;base64,' "$work/dom.html" | wc -l)
  echo "texture thumbnails: $thumbnails"
  [ "$thumbnails" -gt 0 ] || { echo "FAIL: no texture thumbnail"; status=1; }
fi
# The Chinese page (the default): every card there, its headings in Chinese.
browse --dump-dom "file://$work/report-zh.html" > "$work/dom-zh.html" 2> "$work/dom-zh.log" ||
  { echo "FAIL: chromium --dump-dom of the Chinese page"; tail "$work/dom-zh.log"; exit 1; }
cards=$(grep -o '<article class="card">' "$work/dom-zh.html" | wc -l)
echo "Chinese page: $cards cards"
[ "$cards" -eq "$records" ] || { echo "FAIL: card count of the Chinese page"; status=1; }
grep -q '<h2>目录</h2>' "$work/dom-zh.html" || { echo "FAIL: the Chinese page's contents heading"; status=1; }
if grep -h ':CONSOLE' "$work/dom.log" "$work/png.log" "$work/dom-zh.log"; then
  echo "FAIL: the page wrote to the browser's console"; status=1
fi
[ -s "$work/report.png" ] || { echo "FAIL: no screenshot"; status=1; }

# Long unbroken texts (a name, a texture's file name, a category) wrap inside
# their card and the page: a script added to a copy of the page measures, as
# laid out, what sticks out, and --dump-dom shows its count.
long=$(printf 'W%.0s' $(seq 99)) map=$(printf 'M%.0s' $(seq 200)).jpg category=$(printf 'C%.0s' $(seq 300))/
printf '{"records": [{"name": "%s", "roomCategory": "%s", "shortDescription": "%s",
  "wall": {"mapFile": ["%s"]}}]}\n' "$long" "$category" "$long$long$long" "$map" > "$work/long.json"
"$tgv" build "$work/long.json" -o "$work/long.tgv" >/dev/null && "$tgv" report "$work/long.tgv" -o "$work/long.html" >/dev/null ||
  { echo "FAIL: tgv report of long names"; exit 1; }
sed 's#</body>#<script>addEventListener("load", () => { let out = 0;\
  for (const card of document.querySelectorAll(".card")) { const edge = card.getBoundingClientRect().right;\
    for (const e of card.querySelectorAll("*")) if (e.getBoundingClientRect().right > edge + 0.5) ++out; }\
  if (document.documentElement.scrollWidth > innerWidth) ++out;\
  document.body.setAttribute("data-outside", out); });</script></body>#' "$work/long.html" > "$work/long-measured.html"
browse --window-size=800,1000 --dump-dom "file://$work/long-measured.html" > "$work/long-dom.html" 2> "$work/long.log" ||
  { echo "FAIL: chromium --dump-dom of long names"; tail "$work/long.log"; exit 1; }
outside=$(sed -n 's/.*data-outside="\([0-9]*\)".*/\1/p' "$work/long-dom.html")
echo "long names: $outside elements outside their card or the page"
[ "$outside" = 0 ] || { echo "FAIL: long names stick out of their card"; status=1; }
echo "screenshot: $work/report.png"
[ $status -eq 0 ] && echo "report in browser: ok"
exit $status
