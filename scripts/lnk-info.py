#!/usr/bin/env python3
"""Prints what a Windows shortcut (.lnk, the Shell Link format) starts and where: the lines
target=<path>, workdir=<folder> and args=<arguments>, each empty when the shortcut has none.
Used by scripts/package-win.sh to check the Start-menu shortcut its installer makes.
Usage: lnk-info.py <file.lnk>"""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, IS_UNICODE = 0x10, 0x20, 0x80
LINK_CLSID = bytes.fromhex("0114020000000000c000000000000046")


def c_string(data, offset, wide):
    if wide:
        end = offset
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset:data.index(b"\0", offset)].decode("cp1252")


def read(data):
    size, clsid, flags = struct.unpack_from("<I16sI", data, 0)
    if size != 0x4C or clsid != LINK_CLSID:
        raise ValueError("not a shell link")
    pos = size
    if flags & HAS_ID_LIST:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        info = data[pos:pos + struct.unpack_from("<I", data, pos)[0]]
        header, info_flags, _, base, _, suffix = struct.unpack_from("<IIIIII", info, 4)
        if info_flags & 1:  # VolumeIDAndLocalBasePath
            if header >= 0x24:
                base_w, suffix_w = struct.unpack_from("<II", info, 28)
                target = c_string(info, base_w, True) + c_string(info, suffix_w, True)
            else:
                target = c_string(info, base, False) + c_string(info, suffix, False)
        pos += len(info)
    strings = {}
    wide = bool(flags & IS_UNICODE)
    for name, flag in (("name", HAS_NAME), ("relative", HAS_RELATIVE_PATH),
                       ("workdir", HAS_WORKING_DIR), ("args", HAS_ARGUMENTS)):
        if flags & flag:
            count = struct.unpack_from("<H", data, pos)[0]
            width = 2 if wide else 1
            raw = data[pos + 2:pos + 2 + count * width]
            # Wine's writer counts a terminating NUL in the length; Windows' does not.
            strings[name] = raw.decode("utf-16-le" if wide else "cp1252").rstrip("\0")
            pos += 2 + count * width
    return target, strings.get("workdir", ""), strings.get("args", "")


def main():
    with open(sys.argv[1], "rb") as f:
        target, workdir, args = read(f.read())
    print(f"target={target}\nworkdir={workdir}\nargs={args}")


if __name__ == "__main__":
    main()
