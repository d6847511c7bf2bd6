#!/usr/bin/env bash
# Builds the .deb from a configured and built build folder, unpacks it into a
# temporary root, runs its programs from there, and checks it with lintian,
# desktop-file-validate and appstreamcli. Usage: tools/package-check.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

(cd "$build" && cpack -G DEB -B "$tmp/out" >/dev/null)
deb=$(ls "$tmp"/out/quillmere_*.deb)
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KB)"
dpkg-deb -f "$deb" Depends
dpkg -x "$deb" "$tmp/root"
usr="$tmp/root/usr"

# The programs run from the unpacked tree and find what came with them.
mkdir -p "$tmp/none" && "$usr/bin/quillmere-cli" list --root "$tmp/none" >/dev/null
if "$usr/bin/quillmere-cli" --version; then
  "$usr/bin/quillmere-cli" --help >/dev/null
else
  echo "note: this quillmere-cli answers neither --version nor --help" >&2
fi
"$usr/bin/quillmere-app" --version
"$usr/bin/quillmere-sample" --version
"$usr/libexec/quillmere/Quillmere" --version
sample=$("$usr/bin/quillmere-sample" "$tmp/backups" --scale tiny --seed 5 --password pw --iterations 10 | tail -1)
printf 'pw' | "$usr/bin/quillmere-cli" export "$sample" "$tmp/export" --only contacts,notes --password-stdin >/dev/null
ls "$tmp"/export/Contacts/*/Contacts.html "$tmp"/export/Notes/Notes_*.html >/dev/null
# The window starts offscreen on the sample and keeps running until stopped.
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 QUILLMERE_BACKUP_ROOT="$tmp/backups" \
  QUILLMERE_SUPPORT_DIR="$tmp/support" timeout 8 "$usr/bin/quillmere-app" start && status=0 || status=$?
if [ "$status" -ne 124 ]; then
  echo "quillmere-app ended early (status $status)" >&2
  exit 1
fi
[ -d "$tmp/support/QuillmereBackupPath" ]

desktop-file-validate "$usr/share/applications/example.quillmere.Quillmere.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/example.quillmere.Quillmere.metainfo.xml"
# Warnings are fine; an error fails.
lintian --no-tag-display-limit "$deb" | tee "$tmp/lintian.txt" || true
if grep -q '^E:' "$tmp/lintian.txt"; then
  echo "lintian reports errors" >&2
  exit 1
fi
echo "package checks passed"
