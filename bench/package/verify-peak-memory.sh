#!/bin/sh
# Peak memory of "ppu-tool verify" on a package of about 64 MiB.
# usage: verify-peak-memory.sh PATH/TO/ppu-tool [MEBIBYTES]
set -eu
tool=$1 mebibytes=${2:-64}
keys=$(cd "$(dirname "$0")/../../res/keys/development" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" make-image --output "$work/fw.bin" --size $((mebibytes * 1048576 - 4096))
printf '{"Catalog version": "2", "File list": [{"File name": "fw.bin", "Type": "Firmware"}]}' > "$work/catalog.json"
"$tool" pack --catalog "$work/catalog.json" --key "$keys/package-signing.pem" --output "$work/Peak.ppu" "$work/fw.bin"
size=$(wc -c < "$work/Peak.ppu")
/usr/bin/time -v "$tool" verify "$work/Peak.ppu" 2> "$work/time.txt"
peak_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
limit_kib=$((size * 5 / 4 / 1024 + 16384))
echo "package: $((size / 1024)) KiB, peak RSS of verify: $peak_kib KiB, limit (1.25 x size + 16 MiB): $limit_kib KiB"
[ "$peak_kib" -lt "$limit_kib" ]
