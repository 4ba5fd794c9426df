"""Helpers of the transform host's end-to-end tests: the probes' logs and control files beside the program copy,
and xfm.dat read field by field."""
import os
import struct

# Menu commands of the probes in table order (sorted by name without regard to case).
CURRENT, GENERATOR, LENGTH, OLD = 7000, 7001, 7002, 7003


def log_lines(h, name):
    """The lines the probe <name>.xfm logged so far (it appends to <name>.log beside itself)."""
    path = os.path.join(h.program_dir, name + ".log")
    if not os.path.exists(path):
        return []
    with open(path, "r", encoding="cp1252", errors="replace") as f:
        return [line.rstrip("\r\n") for line in f]


def clear_log(h, name):
    path = os.path.join(h.program_dir, name + ".log")
    if os.path.exists(path):
        os.remove(path)


def control(h, name, **settings):
    """Writes <name>.cmd, the probe's key=value settings."""
    with open(os.path.join(h.program_dir, name + ".cmd"), "w") as f:
        for k, v in settings.items():
            f.write("%s=%s\n" % (k, v))


def lines_with(lines, prefix):
    return [line for line in lines if line.startswith(prefix)]


def fields(line):
    """'do ch=2 bits=16 ...' -> {'ch': '2', 'bits': '16', ...}"""
    out = {}
    for part in line.split():
        if "=" in part:
            k, v = part.split("=", 1)
            out[k] = v
    return out


def expect(cond, text):
    if not cond:
        raise AssertionError(text)


def read_xfm_dat(path):
    """{'count', 'checksum', 'version', 'depth', 'entries': [{'name', 'file', 'flags', 'mask', 'bitmap': (w, h,
    bpr, planes, bpp, pixels) or None}], 'magic', 'size', 'consumed'}"""
    with open(path, "rb") as f:
        data = f.read()
    count, checksum, version, depth = struct.unpack_from("<HIHH", data, 0)
    at = 10
    entries = []
    for _ in range(count):
        rec = data[at:at + 476]
        name = rec[0:80].split(b"\0")[0].decode("cp1252")
        mask, = struct.unpack_from("<H", rec, 240)
        flags, size = struct.unpack_from("<II", rec, 244)
        fname = rec[448:468].split(b"\0")[0].decode("cp1252")
        bitmap_word, = struct.unpack_from("<I", rec, 472)
        at += 476
        bm = None
        if bitmap_word:
            typ, w, hgt, bpr, planes, bpp, bits = struct.unpack_from("<iiiiHHI", data, at)
            at += 24
            n = bpr * hgt * planes
            bm = (w, hgt, bpr, planes, bpp, data[at:at + n])
            at += n
        entries.append({"name": name, "file": fname, "flags": flags, "mask": mask, "size": size, "bitmap": bm})
    return {"count": count, "checksum": checksum, "version": version, "depth": depth, "entries": entries,
            "magic": data[-4:], "size": len(data), "consumed": at + 4}
