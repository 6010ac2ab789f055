#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop would find the program,
# its entry, the label file type and the icons there.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
share="$prefix/share"
[ -x "$prefix/bin/vellomir" ] || fail "program not installed"
desktop="$share/applications/vellomir.desktop"
[ -f "$desktop" ] || fail "desktop entry not installed"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=vellomir %f' "$desktop" || fail "entry does not pass the file"
grep -qx 'MimeType=application/x-vellomir-label;' "$desktop" || fail "entry lacks the type"
[ -f "$share/mime/packages/vellomir.xml" ] || fail "type not installed"
[ -f "$share/icons/hicolor/scalable/apps/vellomir.svg" ] || fail "icon not installed"
[ -f "$share/icons/hicolor/scalable/mimetypes/application-x-vellomir-label.svg" ] ||
  fail "type icon not installed"

# The install step refreshed the type database of the prefix: *.vlm is the label type.
[ -f "$share/mime/application/x-vellomir-label.xml" ] || fail "type database not updated"
grep -q ':application/x-vellomir-label:\*\.vlm' "$share/mime/globs2" || fail "no *.vlm glob"
# And the entry is listed as the label type's handler.
grep -q 'application/x-vellomir-label=vellomir.desktop' "$share/applications/mimeinfo.cache" ||
  fail "entry not in the desktop's handler cache"
echo "install: ok"
