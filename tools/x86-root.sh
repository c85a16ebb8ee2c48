# Sourced by tools/setup.sh and tools/run-tests.sh: where the kernel runs 32-bit programs
# but the system's Wine has no 32-bit part (the mirror could not give wine32 the i386
# libraries of the versions installed), the x86 suite runs in a private Debian root of the
# main suite, from the system's own mirror, with Wine of both bitnesses. The root is kept
# where the machine keeps it between clones; .deps/x86-root points at it.
#
# Every step is guarded and can be run again: a root is used only once it is complete
# (its stamp), a half-made one is made anew, and the mounts of a run live in a mount
# namespace of their own, so that nothing stays mounted when the run ends however it ends.

PARCELON_X86_ROOT=${PARCELON_X86_ROOT:-/var/cache/parcelon/x86-root}
# What the suite calls as it runs, besides Wine: ctest, Python's checks, the extractors, the
# MSI and signing tools, the MinGW objdump of the static checks. Set-up installs them into the
# system with what the build needs; the x86 root gets them with Wine of both bitnesses.
PARCELON_SUITE_PACKAGES=(cmake python3 zip unzip 7zip msitools wixl osslsigncode openssl
                         libengine-pkcs11-openssl softhsm2 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
PARCELON_X86_ROOT_PACKAGES=("${PARCELON_SUITE_PACKAGES[@]}" wine wine32 wine64)
parcelon_x86_root_stamp() { echo "$PARCELON_X86_ROOT/.parcelon-root-complete"; }

# Whether the kernel executes 32-bit x86 programs. Cheap, and asked before anything else:
# a 32-bit loader of the system when there is one, else a 93-byte program that only exits.
parcelon_kernel_runs_32bit() {
    local loader out probe status
    for loader in /lib/ld-linux.so.2 /lib32/ld-linux.so.2; do
        [ -e "$loader" ] || continue
        out=$("$loader" --version 2>&1) && return 0
        case "$out" in *"Exec format error"*) return 1 ;; esac
    done
    probe=$(mktemp "${TMPDIR:-/tmp}/parcelon-i386-probe.XXXXXX") || return 1
    # ELF32 header, one loadable segment at 0x08048000, then: mov eax,1; xor ebx,ebx; int 0x80.
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    elf+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    elf+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    elf+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    elf+='\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
    printf '%b' "$elf" >"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    status=$?
    rm -f "$probe"
    return $status
}

parcelon_x86_root_ready() { [ -f "$(parcelon_x86_root_stamp)" ]; }

# The URI of the system's own Debian mirror (its first deb entry), and its release name.
parcelon_debian_mirror() { awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null; }
parcelon_debian_suite() { (. /etc/os-release && echo "$VERSION_CODENAME"); }

# Makes the root unless it is complete; a complete one made with fewer packages gets the
# rest. Needs root rights (sudo where the user has not). A few minutes the first time (two
# to six, as fast as the mirror); nothing when the root is there.
parcelon_x86_root_make() {
    local deps=$1 sudo_cmd=() mirror suite
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    mirror=$(parcelon_debian_mirror)
    suite=$(parcelon_debian_suite)
    if ! parcelon_x86_root_ready && { [ -z "$mirror" ] || [ -z "$suite" ]; }; then
        echo "setup: no Debian mirror or release name found for the x86 root" >&2
        return 1
    fi
    if ! parcelon_x86_root_ready; then
        command -v debootstrap >/dev/null 2>&1 || [ -x /usr/sbin/debootstrap ] ||
            "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
                apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 debootstrap || return 1
        "${sudo_cmd[@]}" mkdir -p "$(dirname "$PARCELON_X86_ROOT")" || return 1
        echo "setup: making the x86 root in $PARCELON_X86_ROOT (Debian $suite, main suite, from the system's mirror)"
    elif [ "$(cat "$(parcelon_x86_root_stamp)")" != "${PARCELON_X86_ROOT_PACKAGES[*]}" ]; then
        echo "setup: adding packages to the x86 root in $PARCELON_X86_ROOT"
    fi
    # One maker at a time on the machine; a root another clone finished meanwhile is used.
    "${sudo_cmd[@]}" env ROOT="$PARCELON_X86_ROOT" PARTIAL="$PARCELON_X86_ROOT.partial" MIRROR="$mirror" \
        SUITE="$suite" PACKAGES="${PARCELON_X86_ROOT_PACKAGES[*]}" STAMP="$(parcelon_x86_root_stamp)" \
        flock "$PARCELON_X86_ROOT.lock" bash -euo pipefail -c '
        install() {  # install ROOT LOG: the packages, into the root
            unshare --mount --propagation private bash -euo pipefail -c "
                mount -t proc proc \"\$1/proc\"
                chroot \"\$1\" apt-get update -qq
                chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive \
                    apt-get install -y -qq --no-install-recommends \$PACKAGES
                chroot \"\$1\" apt-get clean
            " parcelon-x86-root-install "$1" >>"$2" 2>&1 || { tail -n 20 "$2" >&2; return 1; }
        }
        if [ -f "$STAMP" ]; then
            [ "$(cat "$STAMP")" != "$PACKAGES" ] || exit 0
            install "$ROOT" "$ROOT/.parcelon-root.log"
            echo "$PACKAGES" >"$STAMP"
            exit 0
        fi
        # What an interrupted making left: its own mounts gone with its namespace, the files here.
        rm -rf --one-file-system "$PARTIAL" "$ROOT"
        PATH=$PATH:/usr/sbin:/sbin debootstrap --arch=amd64 --variant=minbase --components=main \
            "$SUITE" "$PARTIAL" "$MIRROR" >"$PARTIAL.log" 2>&1 ||
            { tail -n 20 "$PARTIAL.log" >&2; exit 1; }
        # The root looks names up as the machine does.
        cp -L /etc/resolv.conf "$PARTIAL/etc/resolv.conf" 2>/dev/null || true
        chroot "$PARTIAL" dpkg --add-architecture i386
        install "$PARTIAL" "$PARTIAL.log"
        mv "$PARTIAL.log" "$PARTIAL/.parcelon-root.log"
        mv "$PARTIAL" "$ROOT"
        echo "$PACKAGES" >"$STAMP"
    ' || { echo "setup: the x86 root could not be made" >&2; return 1; }
    # A pointer from the clone to where the root is kept.
    mkdir -p "$deps" && ln -sfn "$PARCELON_X86_ROOT" "$deps/x86-root"
}

# Runs a command in the root as the calling user, with the work tree (and the build, when
# it lies elsewhere) at the same paths, the X server's sockets, /dev and /proc; the mounts
# end with the command.
#   parcelon_x86_root_run WORKTREE BUILD COMMAND...
parcelon_x86_root_run() {
    local tree=$1 build=$2 sudo_cmd=() user
    shift 2
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    user="$(id -u):$(id -g)"
    "${sudo_cmd[@]}" env ROOT="$PARCELON_X86_ROOT" TREE="$tree" BUILD="$build" RUNAS="$user" \
        PASSWD_LINE="$(getent passwd "$(id -u)" || true)" \
        unshare --mount --propagation private bash -euo pipefail -c '
        bind() { mkdir -p "$ROOT$1" && mount --rbind "$1" "$ROOT$1"; }
        bind "$TREE"
        case "$BUILD/" in "$TREE"/*) ;; *) bind "$BUILD" ;; esac
        # The tree may reach sources elsewhere through a link (.deps).
        deps=$(readlink -f "$TREE/.deps" 2>/dev/null || true)
        [ -n "$deps" ] && [ -d "$deps" ] && case "$deps/" in "$TREE"/*) ;; *) bind "$deps" ;; esac
        bind /dev
        [ ! -d /tmp/.X11-unix ] || bind /tmp/.X11-unix
        mount -t proc proc "$ROOT/proc"
        # Wine asks for the user by number: the same entry as outside.
        name=${PASSWD_LINE%%:*}
        if [ -n "$name" ] && ! grep -q "^$name:" "$ROOT/etc/passwd"; then
            echo "$PASSWD_LINE" >>"$ROOT/etc/passwd"
        fi
        exec chroot --userspec="$RUNAS" "$ROOT" "$@"
    ' parcelon-x86-root "$@"
}
