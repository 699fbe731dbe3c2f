#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into corpus/<target>/.

A few valid examples per target, in the input layout each harness describes
at its top. Run again after a harness changes its layout."""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def catalog(parts, versions=True):
    doc = {
        "Catalog version": "1.0",
        "PPU Header version": "1.1",
        "DFU files have PPU header": True,
        "Overview": {"Company": "Maker", "Subject": "Firmware 4.7.0"},
        "Terminal information": {"Terminal type": "VORN 470"},
        "File list": [{"File name": n, "Subject": "part " + n, "Type": t} for n, t in parts],
    }
    if versions:
        info = doc["Terminal information"]
        info["Firmware supported versions"] = [{"Version": "4.6.0"}, {"Version": "4.5.1"}]
        info["Bootloader supported versions"] = [{"Version": "1.4.2"}]
        info["Alternate pretreatment for bootloader"] = [{"Version": "1.3.0"}]
    return json.dumps(doc, indent=1)


# ---- package reader: count, entries (form, name, content, ...), tail ----
def entry(name, content, form=0, size_field=None, patch=None):
    data = bytes([form]) + bytes([len(name)]) + name.encode()
    data += struct.pack("<H", len(content)) + content
    if form & 2:
        data += size_field
    if form & 4:
        data += struct.pack("<H", patch[0]) + patch[1]
    return data


def package(entries, signed=True, tail=b""):
    data = bytes([len(entries) - 1]) + b"".join(entries)
    return data + (bytes([1]) + bytes(512) if signed else bytes([0]) + tail)


SUFFIX = 16  # the harness adds a valid DFU suffix behind the content
two_parts = catalog([("fw.bin", "Firmware"), ("boot.bin", "Bootloader")])
write("fuzz_package_reader", "two-parts", package([
    entry("catalog.json.enc", two_parts.encode()),
    entry("fw.bin.enc", b"\x00\x01\x01\x00" + bytes(400), form=SUFFIX),
    entry("boot.bin.enc", bytes(range(200)), form=SUFFIX)]))
write("fuzz_package_reader", "three-parts-extra-block", package([
    entry("catalog.json.enc", catalog([("pre.bin", "Pretreatment"), ("fw.bin", "Firmware"),
                                       ("boot.bin", "Bootloader")]).encode()),
    entry("boot.bin.enc", bytes(480), form=8 | SUFFIX),
    entry("pre.bin.enc", b"pre", form=SUFFIX),
    entry("fw.bin.enc", bytes(1000), form=SUFFIX)]))
write("fuzz_package_reader", "size-field", package([
    entry("catalog.json.enc", catalog([("fw.bin", "Firmware")], versions=False).encode()),
    entry("fw.bin.enc", bytes(100), form=2 | SUFFIX, size_field=b"00000000200\0")]))
write("fuzz_package_reader", "no-suffix-and-twice", package([
    entry("catalog.json.enc", catalog([("fw.bin", "Firmware"), ("boot.bin", "Bootloader")]).encode()),
    entry("fw.bin.enc", bytes(100), form=SUFFIX),
    entry("fw.bin", bytes(100))]))
write("fuzz_package_reader", "raw-and-cut", package([
    entry("catalog.json.enc", b'{"File list": []}'),
    entry("fw.bin", b"not encrypted", form=1 | 4, patch=(156, b"5\0\0\0\0\0\0\0"))],
    signed=False, tail=b"\0" * 100))

# ---- catalog walk: the catalog text alone ----
write("fuzz_catalog_walk", "firmware", catalog([("fw.bin", "Firmware")]))
write("fuzz_catalog_walk", "all-types", catalog([
    ("pre.bin", "Pretreatment"), ("boot.bin", "Bootloader"), ("fw.bin", "Firmware"),
    ("fw2.bin", "Firmware"), ("plain.bin", "Unknown")]))
write("fuzz_catalog_walk", "no-firmware", catalog([("boot.bin", "Bootloader")], versions=False))
write("fuzz_catalog_walk", "wrong-shape", '{"File list": {"File name": 1}, "Overview": []}')

# ---- version texts ----
for name, text in [("three-part", "004.007.000"), ("bcd", "003.019.---"), ("short", "3.19"),
                   ("empty-minor", "1..5"), ("long-patch", "12.34.567890123")]:
    write("fuzz_version_text", name, text)

# ---- version behind a marker: marker NUL text ----
for name, text in [("three", b"V \0VORN 470 M online V 4.6.0 V.1.4.2 RTM"),
                   ("two", b"V.\0VORN 470 M online V 4.6.0 V.1.4 RTM"),
                   ("too-long", b"FW \0x FW 1234.5"), ("over-255", b"\0 256.1.1")]:
    write("fuzz_version_marker", name, text)

# ---- identification text ----
ident = bytearray(b"F" + b"VORN 470 M online".ljust(16)[:16] + b"\xd7" + b"x" * 50 + b"12345" + b"y" * 40)
write("fuzz_device_ident", "build-number", bytes(ident).ljust(130, b"\0"))
ident2 = bytearray(ident)
ident2[17] = 0x41
write("fuzz_device_ident", "other-marker", bytes(ident2).ljust(130, b"\0"))
write("fuzz_device_ident", "unterminated", (bytes(ident) + b"z" * 130)[:130])
write("fuzz_device_ident", "second-vendor", (b"F" + b"a" * 16 + b"\xd7" + b"DEBRV debrv" + b"0" * 60)[:130])


# ---- image identification: type byte, image ----
def image(size, header, fields=(), suffix=None):
    data = bytearray(size)
    data[0:4] = struct.pack("<I", header)
    for offset, fmt, value in fields:
        struct.pack_into(fmt, data, offset, value)
    if suffix:
        data[-16:] = struct.pack("<HHHH", suffix[0], suffix[1], 0x0D7B, 0x0100) + b"UFD\x10" + bytes(4)
    return bytes(data)


write("fuzz_image_identification", "gen1-layout1", b"\0" + image(
    420, 0x00010100, [(348, "<I", 0x010402), (352, "<I", 0x040700), (388, "<I", 12345)], (0x0407, 0x0470)))
write("fuzz_image_identification", "gen1-layout2", b"\0" + image(
    700, 0x00010200, [(604, "<I", 0x010402), (608, "<I", 0x040700), (644, "<I", 54321)]))
write("fuzz_image_identification", "bcd-loader", b"\1" + image(
    400, 0x00000000, [(224, "<H", 0x0302), (226, "<H", 0x0110)], (0x0302, 0x0460)))
write("fuzz_image_identification", "bcd-layout-10", b"\0" + image(
    500, 0x00000010, [(352, "<H", 0x0303), (354, "<H", 0x0111)], (0x0303, 0x0460)))
write("fuzz_image_identification", "tiny", b"\0" + bytes(17))

# ---- configuration text, over the harness's folder of packages ----
for name, text in [("two-names", b"alpha.beta"), ("control-bytes", b"alpha.\r\nx.\t"),
                   ("many", b"a.b.c.d.e.f.g.h"), ("dots", b"..alpha.."),
                   ("two-models", b"alpha.gamma"), ("unusable", b"beta.cut.pipe.huge")]:
    write("fuzz_config_text", name, text)

# ---- package file: form, [block], 16-bit length change, (offset, XOR) ----
write("fuzz_package_file", "genuine", b"\0" + struct.pack("<h", 0))
write("fuzz_package_file", "renamed", b"\4" + struct.pack("<h", 0))
write("fuzz_package_file", "one-byte-changed", b"\0" + struct.pack("<h", 0) + struct.pack("<HB", 700, 1))
write("fuzz_package_file", "cut-and-zeroed-block", b"\1" + bytes(512) + struct.pack("<h", -1000))
write("fuzz_package_file", "over-the-cap", b"\2" + struct.pack("<h", 0))

# ---- device lists: 16-bit product list length, product list, ID list ----
def lists(products, ids):
    return struct.pack("<H", len(products)) + products + ids


write("fuzz_device_list", "two-terminals",
      lists(b"VORN 470 M online\0VORN 460 M\0\0", b"K470A0001234\0K460B0004711\0\0"))
write("fuzz_device_list", "no-product-text", lists(b"\0\0", b"K470A01\0K470A02\0\0"))
write("fuzz_device_list", "unterminated", lists(b"VORN 470", b"K470A01\0K470"))

# ---- scenarios ----
terminal = {"id": "K470A0001234", "model": "VORN 470 M online", "vendorCode": "KOTRX",
            "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
            "deviceType": 470, "identNumber": 12345, "canUpload": True, "pin": ["adjust-display"],
            "imageSize": 4096, "timing": {"initMs": 300, "pinMs": 300, "restartMs": 300, "manifestMs": 300,
                                          "downloadBytesPerSecond": 65536, "uploadBytesPerSecond": 65536}}
bcd = {"id": "K460B0004711", "model": "VORN 460 M", "vendorCode": "KOTRX", "versionFormat": "bcd",
       "firmware": "0x0302", "loader": "0x0110", "deviceType": 460, "identNumber": 46001,
       "product": "VORN 460 M V 3.2 RTM", "present": [{"arrivalMs": 0, "removalMs": 1000}]}
write("fuzz_scenario", "three-part", json.dumps({"terminals": [terminal]}))
write("fuzz_scenario", "bcd-and-dfu", json.dumps({"comment": "two", "terminals": [
    bcd, dict(terminal, id="K470D0000042", mode="DFU", secondVendor=True)]}))
write("fuzz_scenario", "faults", json.dumps({"terminals": [dict(terminal, fault={"unplugAtPercent": 40})]}))
write("fuzz_scenario", "empty", '{"terminals": []}')


# ---- DFU engine: job, interface, then the device's replies ----
def interface(number=0, dfu=0, attributes=0x07, detach=1000, transfer=64):
    return bytes([number, dfu, attributes]) + struct.pack("<HH", detach, transfer)


def status(state, poll=0, bstatus=0):
    return bytes([0, bstatus]) + struct.pack("<I", poll)[:3] + bytes([state, 0])


OK = b"\0"
DNLOAD_BLOCK = OK + status(4, poll=5) + status(5)
write("fuzz_dfu_engine", "runtime-with-backup",
      struct.pack("<H", 100) + b"\1" + interface()
      + OK                                       # DETACH
      + b"\1" + interface(dfu=1)                 # back in DFU mode after the reset
      + status(2)                                # dfuIDLE
      + b"\1" + b"\0" + struct.pack("<H", 10)    # UPLOAD: a full block, then 10 bytes
      + DNLOAD_BLOCK * 2
      + OK + status(7, poll=10) + status(2))     # manifestation, tolerant
write("fuzz_dfu_engine", "dfu-mode-from-error",
      struct.pack("<H", 300) + b"\0" + interface(dfu=1, attributes=0x01, transfer=256)
      + status(10, bstatus=3) + OK + status(2)   # dfuERROR, CLRSTATUS, dfuIDLE
      + DNLOAD_BLOCK * 2
      + OK + status(6) + status(7, poll=100))    # not tolerant: ends in dfuMANIFEST
write("fuzz_dfu_engine", "write-error",
      struct.pack("<H", 64) + b"\0" + interface(dfu=1, attributes=0x05)
      + status(2) + OK + status(4, poll=5) + bytes([0, 3, 0, 0, 0, 10, 0]) + OK)


# ---- USB strings, the DFU interface walk and the device lists ----
def string_descriptor(text, units=None):
    units = units if units is not None else [ord(c) for c in text]
    body = b"".join(struct.pack("<H", u) for u in units)
    return bytes([2 + len(body), 3]) + body


write("fuzz_string_descriptor", "product", string_descriptor("VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM"))
write("fuzz_string_descriptor", "nul-and-escape", string_descriptor("", [0x56, 0x1B, 0x5B, 0, 0x41]))
write("fuzz_string_descriptor", "surrogates", string_descriptor("", [0x4B, 0xD83D, 0xDE00, 0xE9]))


def functional(attributes=0x07, detach=1000, transfer=1024, seven=False):
    body = bytes([attributes]) + struct.pack("<HH", detach, transfer)
    return bytes([7 if seven else 9, 0x21]) + body + (b"" if seven else struct.pack("<H", 0x0110))


def setting(cls, sub, proto, number, alt, string, extra=b""):
    return bytes([cls, sub, proto, number, alt, string, len(extra)]) + extra


write("fuzz_dfu_interface_search", "reader-and-runtime",
      b"\0" + b"\2" + b"\1" + setting(0x0B, 0, 0, 0, 0, 0)
      + b"\1" + setting(0xFE, 1, 1, 1, 0, 5, functional()) + b"\0\0")
write("fuzz_dfu_interface_search", "three-settings-functional-last",
      b"\0" + b"\1" + b"\3" + setting(0xFE, 1, 2, 0, 0, 5) + setting(0xFE, 1, 2, 0, 1, 0)
      + setting(0xFE, 1, 2, 0, 2, 0, functional()) + b"\1\2")
write("fuzz_dfu_interface_search", "functional-on-configuration",
      bytes([7]) + functional(seven=True) + b"\1" + b"\1" + setting(0xFE, 1, 0, 0, 0, 5) + b"\0\0")


def listed(product, serial, pid=0x0470, port=None):
    out = bytes([len(product)]) + product + bytes([len(serial)]) + serial + struct.pack("<H", pid)
    if port is None:
        return out + b"\0"
    return out + b"\1" + bytes([port[0], len(port) - 2]) + bytes(port[1:])


write("fuzz_device_lists", "two-terminals",
      b"\2" + listed(string_descriptor("VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM"), string_descriptor("K470A0001234"))
      + listed(string_descriptor("VORN 460 M KOTRX RTM"), string_descriptor("K460B0004711"), 0x0460))
write("fuzz_device_lists", "nul-in-product-and-port-id",
      b"\2" + listed(string_descriptor("", [0x56, 0, 0x4B]), string_descriptor("K470A0001234"))
      + listed(b"", b"", 0x0471, [1, 2, 4]))
