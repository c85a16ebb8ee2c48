#!/usr/bin/env bash
# Signs Windows files in place with Authenticode SHA-256 (osslsigncode): PE files (DLL, EXE)
# and MSI packages. A file signed already is signed again, so a changed certificate counts.
#   tools/sign.sh FILE...
#   tools/sign.sh --development-certificate    (prints the PEM file of the build's own)
# The certificate comes from the environment, the first that is set:
#   PARCELON_SIGN_PKCS12, PARCELON_SIGN_PASSWORD          a PKCS#12 file (.pfx) and its password
#   PARCELON_SIGN_PKCS11_MODULE, PARCELON_SIGN_PKCS11_KEY  a key on a hardware token: the
#       token's PKCS#11 module and the key's pkcs11: URI; PARCELON_SIGN_PKCS11_CERT names the
#       certificate (a pkcs11: URI or a PEM file), PARCELON_SIGN_PASSWORD the token's PIN
#   PARCELON_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server, when one is named
# Without one, a development certificate is made with openssl in $PARCELON_BUILD/signing,
# once: a build signed with it is for testing only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder="${PARCELON_BUILD:-$root/build}/signing"
dev_key="$folder/Parcelon-Development.key"
dev_cert="$folder/Parcelon-Development.pem"
dev_pfx="$folder/Parcelon-Development.pfx"
dev_password=parcelon-development

# The development certificate, made again only when missing or ending within a day.
development_certificate() {
    if [ -f "$dev_pfx" ] && openssl x509 -in "$dev_cert" -noout -checkend 86400 >/dev/null 2>&1; then return; fi
    mkdir -p "$folder"
    openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 365 -keyout "$dev_key" -out "$dev_cert" \
        -subj "/O=Kestrelbay/CN=Parcelon Development (for testing only)" \
        -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning 2>/dev/null
    openssl pkcs12 -export -out "$dev_pfx" -inkey "$dev_key" -in "$dev_cert" -passout "pass:$dev_password"
    echo "sign: made the development certificate $dev_cert (for testing only)" >&2
}

if [ "${1:-}" = --development-certificate ]; then
    development_certificate
    echo "$dev_cert"
    exit 0
fi
[ $# -gt 0 ] || { echo "usage: $0 FILE... | --development-certificate" >&2; exit 2; }

password=${PARCELON_SIGN_PASSWORD:-}
if [ -n "${PARCELON_SIGN_PKCS12:-}" ]; then
    signer=(-pkcs12 "$PARCELON_SIGN_PKCS12")
elif [ -n "${PARCELON_SIGN_PKCS11_MODULE:-}" ]; then
    : "${PARCELON_SIGN_PKCS11_KEY:?names the key on the token (a pkcs11: URI)}"
    : "${PARCELON_SIGN_PKCS11_CERT:?names the certificate (a pkcs11: URI or a PEM file)}"
    signer=(-pkcs11module "$PARCELON_SIGN_PKCS11_MODULE" -key "$PARCELON_SIGN_PKCS11_KEY")
    case $PARCELON_SIGN_PKCS11_CERT in
        pkcs11:*) signer+=(-pkcs11cert "$PARCELON_SIGN_PKCS11_CERT") ;;
        *) signer+=(-certs "$PARCELON_SIGN_PKCS11_CERT") ;;
    esac
else
    development_certificate
    signer=(-pkcs12 "$dev_pfx")
    password=$dev_password
fi
stamp=()
[ -z "${PARCELON_SIGN_TIMESTAMP_URL:-}" ] || stamp=(-ts "$PARCELON_SIGN_TIMESTAMP_URL")

for file in "$@"; do
    unsigned="$file.unsigned" signed="$file.signed"
    rm -f "$unsigned" "$signed"
    # remove-signature fails on a file without one: then it is signed as it is.
    if ! osslsigncode remove-signature -in "$file" -out "$unsigned" >/dev/null 2>&1; then cp "$file" "$unsigned"; fi
    # The password goes through a pipe, never onto a command line others can read.
    if ! printf '%s' "$password" | osslsigncode sign "${signer[@]}" -readpass /dev/stdin "${stamp[@]}" -h sha256 \
            -n Parcelon -in "$unsigned" -out "$signed" >"$file.sign-log" 2>&1; then
        cat "$file.sign-log" >&2
        rm -f "$unsigned" "$signed" "$file.sign-log"
        echo "sign: $file could not be signed" >&2
        exit 1
    fi
    mv "$signed" "$file"
    rm -f "$unsigned" "$file.sign-log"
done
