#!/usr/bin/env bash
# Creates the Wine prefix of the build tree once (WINEPREFIX is set by the Makefile).
set -euo pipefail
: "${WINEPREFIX:?}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi

# Fixtures of the tests: a second drive P: and a share \\localhost\parcelon, both folders
# of drive C: seen under another root.
mkdir -p "$WINEPREFIX/drive_c/parcelon-drive-p" "$WINEPREFIX/drive_c/parcelon-unc" "$WINEPREFIX/dosdevices/unc/localhost"
[ -e "$WINEPREFIX/dosdevices/p:" ] || ln -sfn ../drive_c/parcelon-drive-p "$WINEPREFIX/dosdevices/p:"
[ -e "$WINEPREFIX/dosdevices/unc/localhost/parcelon" ] ||
    ln -sfn ../../../drive_c/parcelon-unc "$WINEPREFIX/dosdevices/unc/localhost/parcelon"
