#!/bin/sh
# Checks a package with the OpenSSL and tar command lines alone: the signature
# over every byte before the last 512, then every entry decrypted under the
# content key and the SHA-256 of the package's file name.
# usage: openssl-check.sh PACKAGE VERIFY_KEY.pem CONTENT_KEY_HEX OUT_DIR
set -eu
ppu=$1 verify_key=$2 key_hex=$3 out=$4
size=$(wc -c < "$ppu")
head -c $((size - 512)) "$ppu" > "$out/signed.bin"
tail -c 512 "$ppu" > "$out/signature.bin"
openssl dgst -sha512 -verify "$verify_key" -signature "$out/signature.bin" "$out/signed.bin"
iv=$(printf %s "$(basename "$ppu")" | openssl dgst -sha256 -r | cut -c1-32)
mkdir -p "$out/entries"
tar -xf "$out/signed.bin" -C "$out/entries"
for entry in "$out"/entries/*; do
    openssl enc -d -aes-256-cbc -K "$key_hex" -iv "$iv" -in "$entry" -out "$out/$(basename "$entry" .enc)"
done
