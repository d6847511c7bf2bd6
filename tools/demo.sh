#!/usr/bin/env bash
# Sets up, builds, writes a sample backup (every category filled) and its
# encrypted twin under ./demo/backups, then opens the window on them.
# Without a display it exports the sample with quillmere-cli instead.
# Environment: DEMO_DIR (default ./demo), DEMO_SCALE (tiny|small, default small),
# BUILD_DIR (default ./build).
set -euo pipefail
cd "$(dirname "$0")/.."

DEMO_DIR=${DEMO_DIR:-demo}
DEMO_SCALE=${DEMO_SCALE:-small}
BUILD_DIR=${BUILD_DIR:-build}
SEED=2026
PASSWORD=quillmere-demo
# A low key-derivation count keeps unlocking quick; real backups use far more.
ITERATIONS=2000

say() { printf '\n== %s\n' "$*" >&2; }

say "Installing what is missing (tools/setup.sh)"
bash tools/setup.sh

say "Building into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
cmake --build "$BUILD_DIR"
BIN="$BUILD_DIR/bin"
for program in quillmere-sample quillmere-cli; do
  if [ ! -x "$BIN/$program" ]; then
    echo "demo: $BIN/$program was not built" >&2
    exit 1
  fi
done

BACKUPS="$DEMO_DIR/backups"
SUPPORT="$DEMO_DIR/support"
mkdir -p "$BACKUPS" "$SUPPORT"
chmod 700 "$SUPPORT"

# The samples are kept between runs; delete $DEMO_DIR to make new ones.
PLAIN=$(find "$BACKUPS" -mindepth 1 -maxdepth 1 -type d ! -name '*-encrypted' | head -n 1)
if [ -z "$PLAIN" ]; then
  say "Writing the sample backup ($DEMO_SCALE)"
  PLAIN=$("$BIN/quillmere-sample" "$BACKUPS" --scale "$DEMO_SCALE" --seed "$SEED")
fi
ENCRYPTED=$(find "$BACKUPS" -mindepth 1 -maxdepth 1 -type d -name '*-encrypted' | head -n 1)
if [ -z "$ENCRYPTED" ]; then
  say "Writing its encrypted twin"
  STAGING="$DEMO_DIR/staging"
  rm -rf "$STAGING"
  mkdir -p "$STAGING"
  if made=$("$BIN/quillmere-sample" "$STAGING" --scale "$DEMO_SCALE" --seed "$SEED" \
    --password "$PASSWORD" --iterations "$ITERATIONS"); then
    # Same device, so the same folder name: keep it beside the plain one the
    # way archived backups are kept, with a suffix.
    ENCRYPTED="$BACKUPS/$(basename "$made")-encrypted"
    mv "$made" "$ENCRYPTED"
  else
    echo "demo: no encrypted twin (see above); going on with the plain sample" >&2
  fi
  rm -rf "$STAGING"
fi

PLAIN=$(cd "$PLAIN" && pwd)
BACKUPS=$(cd "$BACKUPS" && pwd)
SUPPORT=$(cd "$SUPPORT" && pwd)

echo >&2
echo "Sample backup:     $PLAIN" >&2
if [ -n "$ENCRYPTED" ]; then
  ENCRYPTED=$(cd "$ENCRYPTED" && pwd)
  echo "Encrypted twin:    $ENCRYPTED" >&2
  echo "Its password:      $PASSWORD" >&2
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  say "Opening the window (close it to end the demo)"
  echo "Pick a backup in the table and press Scan; the locked one asks for the password above." >&2
  # One argument: run with the caller's rights (no administrator relaunch).
  QUILLMERE_BACKUP_ROOT="$BACKUPS/" QUILLMERE_SUPPORT_DIR="$SUPPORT/" \
    "$BIN/quillmere-app" start
else
  OUT="$DEMO_DIR/export-$(date +%Y%m%d-%H%M%S)"
  mkdir -p "$OUT"
  OUT=$(cd "$OUT" && pwd)
  say "No display: exporting the sample with quillmere-cli instead"
  status=0
  QUILLMERE_SUPPORT_DIR="$SUPPORT/" "$BIN/quillmere-cli" export "$PLAIN" "$OUT" || status=$?
  if [ "$status" -eq 1 ]; then
    echo "Some items could not be written (listed above)." >&2
  elif [ "$status" -ne 0 ]; then
    echo "demo: the export failed (exit $status)" >&2
    exit "$status"
  fi
  echo >&2
  echo "The recovered files are in: $OUT" >&2
  for folder in "$OUT"/*/; do
    [ -d "$folder" ] || continue
    printf '  %-24s %6s files\n' "$(basename "$folder")" "$(find "$folder" -type f | wc -l)" >&2
  done
fi
