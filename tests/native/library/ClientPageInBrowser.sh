#!/usr/bin/env bash
# The client page of tgv suggest seen by a real browser: the suggestions for
# one colour with the project's paint deck are written as the page, which
# headless Chromium (installed when missing) lays out; a script added to a
# copy of the page counts, once loaded, the cards and the room views the
# browser decoded, and --dump-dom shows the counts. The page must log nothing
# to the console. A screenshot is left in the work folder.
# Usage: ClientPageInBrowser.sh TGV PAINT_DECK WORK_DIR
set -uo pipefail
tgv=$1 deck=$2 work=$3
. "$(dirname "$0")/../../../scripts/lib.sh"
tg_install_chromium || { echo "FAIL: chromium could not be installed"; exit 1; }

rm -rf "$work"; mkdir -p "$work"
"$tgv" suggest "#C7966C" --paints "$deck" --page "$work/page.html" >/dev/null || { echo "FAIL: tgv suggest --page"; exit 1; }
schemes=$("$tgv" suggest "#C7966C" --paints "$deck" --json | grep -c '"harmony"')

browse() {  # extra chromium arguments... page; stdout: what the browser prints, stderr: its log
  local profile; profile=$(mktemp -d)
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --enable-logging=stderr --v=0 --hide-scrollbars "$@"
  local rc=$?
  rm -rf "$profile"
  return $rc
}

sed 's#</body>#<script>addEventListener("load", () => {\
  const images = [...document.querySelectorAll("img.view")];\
  document.body.setAttribute("data-cards", document.querySelectorAll("article.card").length);\
  document.body.setAttribute("data-decoded", images.filter(i => i.complete \&\& i.naturalWidth > 0).length);\
  document.body.setAttribute("data-images", images.length); });</script></body>#' "$work/page.html" > "$work/measured.html"
browse --dump-dom "file://$work/measured.html" > "$work/dom.html" 2> "$work/dom.log" ||
  { echo "FAIL: chromium --dump-dom"; tail "$work/dom.log"; exit 1; }
browse --window-size=900,1300 --screenshot="$work/page.png" "file://$work/page.html" > /dev/null 2> "$work/png.log" ||
  { echo "FAIL: chromium --screenshot"; tail "$work/png.log"; exit 1; }

status=0
attribute() { sed -n "s/.*<body[^>]* data-$1=\"\([0-9]*\)\".*/\1/p" "$work/dom.html" | head -n 1; }
cards=$(attribute cards) images=$(attribute images) decoded=$(attribute decoded)
echo "schemes: $schemes, cards in the browser: $cards, room views: $images, decoded: $decoded"
[ "$schemes" -ge 8 ] && [ "$cards" = "$schemes" ] || { echo "FAIL: card count"; status=1; }
[ "$images" = "$schemes" ] && [ "$decoded" = "$images" ] || { echo "FAIL: room views not decoded"; status=1; }
grep -q '<html lang="zh-CN">' "$work/dom.html" || { echo "FAIL: the page's language"; status=1; }
if grep -h ':CONSOLE' "$work/dom.log" "$work/png.log"; then
  echo "FAIL: the page wrote to the browser's console"; status=1
fi
[ -s "$work/page.png" ] || { echo "FAIL: no screenshot"; status=1; }
echo "screenshot: $work/page.png"
[ $status -eq 0 ] && echo "client page in browser: ok"
exit $status
