#!/usr/bin/env bash
# Builds the Debian package from an already built tree and checks what it
# installs and what lintian says of it.
#   check-package.sh BUILD_DIR
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/vantorel_*_amd64.deb)"
echo "package: $(basename "$deb")"

contents="$(dpkg --contents "$deb" | awk '{ print $6 }')"
status=0
for path in ./usr/bin/vantorel ./usr/share/applications/vantorel.desktop \
            ./usr/share/icons/hicolor/scalable/apps/vantorel.svg ./usr/share/doc/vantorel/copyright \
            ./usr/share/doc/vantorel/changelog.gz; do
  grep -qx "$path" <<<"$contents" || { echo "missing: $path"; status=1; }
done
if grep -q -e vantorel-server -e '^./usr/include' <<<"$contents"; then
  echo "the package holds more than the taskbar:"; grep -e vantorel-server -e '^./usr/include' <<<"$contents"; status=1
fi

depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6widgets6 libqt6network6 libsodium23 libc6; do
  grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; status=1; }
done

mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/vantorel.desktop" || status=1
"$out/root/usr/bin/vantorel" --version | grep -qx "Vantorel $(dpkg-deb -f "$deb" Version)" || {
  echo "vantorel --version does not name the package's version"; status=1; }

# Errors fail; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || status=1
exit $status
