#!/bin/sh
# Builds a package without the project's code: openssl enc for the entries,
# tar for the archive, openssl dgst for the signature. Entries are stored in
# the order given; the catalog must come first.
# usage: independent-package.sh PACKAGE SIGNING_KEY.pem CONTENT_KEY_HEX PLAIN_DIR NAME...
set -eu
ppu=$1 signing_key=$2 key_hex=$3 plain=$4
shift 4
iv=$(printf %s "$(basename "$ppu")" | openssl dgst -sha256 -r | cut -c1-32)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
names=""
for name in "$@"; do
    openssl enc -aes-256-cbc -K "$key_hex" -iv "$iv" -in "$plain/$name" -out "$work/$name.enc"
    names="$names $name.enc"
done
# shellcheck disable=SC2086
(cd "$work" && tar --format=ustar -cf archive.tar $names)
openssl dgst -sha512 -sign "$signing_key" -out "$work/signature.bin" "$work/archive.tar"
cat "$work/archive.tar" "$work/signature.bin" > "$ppu"
