#!/usr/bin/env bash
# Creates the Wine prefix of the build tree once, with the loader this machine can use.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # Without 32-bit execution wineboot says it cannot start syswow64's programs; the
    # prefix still serves 64-bit programs.
    parcelon_wine wineboot -i >/dev/null 2>&1 || true
    parcelon_wine_wait
fi
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine: the prefix could not be created" >&2; exit 1; }

# Fixtures of the tests: a second drive P: and a share \\localhost\parcelon, both folders
# of drive C: seen under another root.
mkdir -p "$WINEPREFIX/drive_c/parcelon-drive-p" "$WINEPREFIX/drive_c/parcelon-unc" "$WINEPREFIX/dosdevices/unc/localhost"
[ -e "$WINEPREFIX/dosdevices/p:" ] || ln -sfn ../drive_c/parcelon-drive-p "$WINEPREFIX/dosdevices/p:"
[ -e "$WINEPREFIX/dosdevices/unc/localhost/parcelon" ] ||
    ln -sfn ../../../drive_c/parcelon-unc "$WINEPREFIX/dosdevices/unc/localhost/parcelon"
