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
