#!/usr/bin/env bash
# Installs what the build and the tests need, and fetches the sources of minizip and
# libdeflate, which no MinGW package provides.
# Idempotent: a machine that has everything installs and fetches nothing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"

source "$root/tools/x86-root.sh"
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
          libz-mingw-w64-dev libwine-dev wine wine32 wine64 xvfb xauth
          googletest dpkg-dev nsis "${PARCELON_SUITE_PACKAGES[@]}")

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

apt_updated=0
apt_update() {
    [ $apt_updated -eq 1 ] && return
    # A mirror caught mid-sync fails one index; the others are still usable, so a failed
    # update is tried once more and then left to the install to judge.
    local try
    for try in 1 2; do
        "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq && break
        echo "setup: apt-get update failed (try $try of 2)" >&2
        sleep 5
    done
    apt_updated=1
}

# A wine32 the mirror could not give is tried again after six hours, not on every build.
wine32_refused="$deps/wine32-refused"
if [ "${missing[*]}" = wine32 ] && [ -n "$(find "$wine32_refused" -mmin -360 2>/dev/null)" ]; then
    missing=()
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    apt_update
    apt_install() {
        # Another installer running waits for the lock rather than failing.
        "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "$@"
    }
    if ! apt_install "${missing[@]}"; then
        # The 32-bit Wine needs i386 libraries of the very versions installed for amd64; a
        # mirror whose i386 index is missing or stale cannot give them. Everything else is
        # still installed, and the suite then runs as on a machine without 32-bit programs.
        rest=()
        for p in "${missing[@]}"; do [ "$p" = wine32 ] || rest+=("$p"); done
        [ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
        echo "setup: wine32 could not be installed into the system" >&2
        mkdir -p "$deps" && touch "$wine32_refused"
        [ ${#rest[@]} -eq 0 ] || apt_install "${rest[@]}"
    fi
fi

# Without Wine's 32-bit part in the system, the x86 suite runs in a private root, where the
# kernel runs 32-bit programs at all (asked first: on a kernel without them nothing else runs).
if parcelon_kernel_runs_32bit && ! dpkg -s wine32 >/dev/null 2>&1; then
    parcelon_x86_root_make "$deps" || echo "setup: without the x86 root the x86 suite will not run" >&2
fi

# Debian's source packages, with their patches applied, for what has no MinGW build.
source_list_ready=0
ensure_source_list() {
    [ $source_list_ready -eq 1 ] && return
    source_list_ready=1
    src_list=/etc/apt/sources.list.d/debian-src.sources
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null; then
        uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
        suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$uri" "$suite" | "${sudo_cmd[@]}" tee "$src_list" >/dev/null
        apt_updated=0
    fi
    apt_update
}

# fetch_source PACKAGE: unpacks Debian's source of PACKAGE in $deps/fetch and prints its
# folder. A mirror that fails a download is asked once more after a pause.
fetch_source() {
    local package=$1 try srcdir
    ensure_source_list
    for try in 1 2; do
        rm -rf "$deps/fetch" && mkdir -p "$deps/fetch"
        if (cd "$deps/fetch" && apt-get source -qq "$package" >/dev/null 2>"$deps/fetch/errors"); then
            srcdir=$(find "$deps/fetch" -maxdepth 1 -type d -name "$package-*" | head -n 1)
            [ -n "$srcdir" ] && { echo "$srcdir"; return 0; }
        fi
        echo "setup: fetching the source of $package failed (try $try of 2): $(tail -n 1 "$deps/fetch/errors" 2>/dev/null)" >&2
        sleep 5
    done
    return 1
}

# copy_sources PACKAGE DESTINATION FILE...: the files (or folders) of PACKAGE's source into
# DESTINATION, replaced as a whole, or nothing changed when the fetch fails.
copy_sources() {
    local package=$1 destination=$2 srcdir f; shift 2
    srcdir=$(fetch_source "$package") || { echo "setup: the source of $package could not be fetched" >&2; exit 1; }
    rm -rf "$destination.new" && mkdir -p "$destination.new"
    for f in "$@"; do
        cp -r "$srcdir/$f" "$destination.new/$f"
    done
    rm -rf "$destination" && mv "$destination.new" "$destination"
    rm -rf "$deps/fetch"
}

# complete FOLDER FILE...: whether every file is there.
complete() {
    local folder=$1 f; shift
    for f in "$@"; do [ -f "$folder/$f" ] || return 1; done
}

# minizip 1.1 as Debian ships it (with its security patches); its writer, its reader (for
# copying entries raw into other archives) and its wide Win32 file functions are built.
# Fetched again when any file is missing (an older set-up kept fewer).
minizip_files=(zip.c zip.h unzip.c unzip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h)
complete "$deps/minizip" "${minizip_files[@]}" || copy_sources minizip "$deps/minizip" "${minizip_files[@]}"

# libdeflate as Debian ships it: its compressor and CRC-32 are built (lib/ whole, since its
# files include one another).
libdeflate_files=(libdeflate.h common_defs.h COPYING lib)
libdeflate_built=(libdeflate.h common_defs.h lib/deflate_compress.c lib/crc32.c lib/utils.c lib/x86/cpu_features.c)
complete "$deps/libdeflate" "${libdeflate_built[@]}" || copy_sources libdeflate "$deps/libdeflate" "${libdeflate_files[@]}"
