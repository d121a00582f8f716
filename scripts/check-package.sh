#!/usr/bin/env bash
# Checks a built Debian package of the setup program: lintian, then desktop-file-validate and
# appstreamcli on the desktop entry and the AppStream metadata the package holds.
# Usage: scripts/check-package.sh PACKAGE.deb
set -euo pipefail
deb=$1
contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"

echo "== lintian $(basename "$deb")"
lintian --fail-on error --info "$deb"
for entry in "$contents"/usr/share/applications/*.desktop; do
  echo "== desktop-file-validate $(basename "$entry")"
  desktop-file-validate "$entry"
done
for metainfo in "$contents"/usr/share/metainfo/*.xml; do
  echo "== appstreamcli validate $(basename "$metainfo")"
  appstreamcli validate --no-net "$metainfo"
done
echo "package checked: $deb"
