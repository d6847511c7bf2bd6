#!/usr/bin/env bash
# Repaints the window's images into resources/image and rewrites resources/drui.qrc;
# repaints the application icon of the desktop menu into packaging/icons/hicolor
# (the scalable SVG beside them is drawn by hand to the same shapes).
# Needs qt6-base-dev and fonts-crosextra-carlito. Run from anywhere.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

g++ -std=c++17 -O1 -fPIC -Wall -Wextra "$here/paint_icons.cpp" -o "$tmp/paint_icons" \
    $(pkg-config --cflags --libs Qt6Gui)
rm -rf "$root/resources/image"
"$tmp/paint_icons" "$root/resources/image"
find "$root/packaging/icons/hicolor" -name '*.png' -delete 2>/dev/null || true
"$tmp/paint_icons" --app-icons "$root/packaging/icons"

{
  echo '<!DOCTYPE RCC><RCC version="1.0">'
  echo '<qresource prefix="/">'
  (cd "$root/resources" && find image -type f | LC_ALL=C sort | sed 's|.*|    <file>&</file>|')
  echo '</qresource>'
  echo '</RCC>'
} > "$root/resources/drui.qrc"
echo "wrote $(grep -c '<file>' "$root/resources/drui.qrc") images"
