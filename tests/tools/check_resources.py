#!/usr/bin/env python3
"""Checks the compiled resources of sorn96.exe against the program's command table.

Compiles resources/sorn96.rc with windres into a .res file, reads it back (menus, accelerators, strings, icons,
cursors, version record) and checks: every menu text the command table fixes is on its id; every menu and
accelerator id is defined in resources/command_ids.h; no id appears twice in the menu; no key is bound twice in one
accelerator table; the keys of the command table reach their commands; the popups sit where SORN_MENU_* says;
"E&xit" ends the File menu after a separator (the recent files go in between); the fixed strings are exact,
every toolbar tip has its string and every toolbar bitmap exists in its size.
    check_resources.py <windres> <source dir> <work dir>
"""
import os
import re
import struct
import subprocess
import sys

RT_CURSOR, RT_BITMAP, RT_ICON, RT_MENU, RT_STRING, RT_ACCELERATOR = 1, 2, 3, 4, 6, 9
RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION = 12, 14, 16

# Menu texts of the command table, exactly as the program shows them.
MENU_TEXTS = {
    1050: "&New...", 1051: "New &Instance", 1100: "&Open...", 116: "O&pen As...", 135: "Open Appen&d...",
    1110: "&Re-Open", 3148: "&Close", 1151: "&Save", 1150: "Save &As...", 114: "Save S&election...",
    392: "&Quick Save", 381: "&Flush Virtual File", 1250: "E&xit", 102: "&Undo", 393: "Enable Un&do ",
    130: "Repeat Last Comma&nd", 377: "&Copy", 415: "&Paste", 2050: "&Copy", 2150: "Cu&t", 2100: "&Paste ",
    2110: "&Mix Paste...", 2200: "&Delete Selection", 2210: "Tri&m", 115: "Select &Entire Wave",
    312: "&Zero Cross Adjust", 109: "&Adjust Sample Rate...", 120: "C&onvert Sample Type...",
    374: "&Waveform View", 375: "&Spectral View", 1001: "&Left Channel", 1002: "&Right Channel",
    3147: "&Viewing Range...", 351: "&Decimal (mm:ss.ddd)", 352: "&Custom Frames (mm:ss:ff)", 353: "S&amples",
    354: "&SMPTE Drop", 356: "D&efine Custom...", 378: "&Sample Values", 379: "&Normalized Values",
    380: "&Percentage", 385: "&Hz", 5050: "&Info...", 137: "C&ue List", 136: "Pl&ay List", 148: "&CD Player",
    3100: "&Invert", 3080: "&Reverse", 3140: "&Silence", 4100: "&Silence...", 5060: "&Frequency Analysis",
    5010: "&Loop Mode", 5030: "&Monitor VU Level", 113: "Scripts && Batch Processing...",
    1222: "Select Wave &Device...", 355: "Custom &Toolbar Settings...", 5040: "&Settings...", 6050: "&Contents",
    6100: "&Quick Reference", 101: "&Features", 373: "Show &Grid", 376: "Show &Boundaries",
}

VK = {"BACK": 0x08, "TAB": 0x09, "RETURN": 0x0D, "ESCAPE": 0x1B, "SPACE": 0x20, "PRIOR": 0x21, "NEXT": 0x22,
      "END": 0x23, "HOME": 0x24, "LEFT": 0x25, "UP": 0x26, "RIGHT": 0x27, "DOWN": 0x28, "INSERT": 0x2D,
      "DELETE": 0x2E, "F2": 0x71, "F3": 0x72, "F4": 0x73, "F8": 0x77}
FSHIFT, FCONTROL, FALT = 0x04, 0x08, 0x10

# Keys of the command table: (modifiers, key) → command.
MENUACC_KEYS = [
    (FCONTROL, "Z", 102), (FALT, "BACK", 102), (FCONTROL, "C", 2050), (FCONTROL, "INSERT", 2050),
    (FCONTROL, "X", 2150), (FSHIFT, "DELETE", 2150), (FCONTROL, "V", 2100), (FSHIFT, "INSERT", 2100),
    (0, "DELETE", 2200), (FCONTROL, "T", 2210), (FCONTROL, "A", 115), (0, "F4", 312), (FCONTROL, "D", 134),
    (0, "F2", 130), (0, "F3", 131), (FCONTROL, "B", 340), (FCONTROL, "L", 341), (FCONTROL, "R", 342),
    (FALT, "I", 5050), (FALT, "Z", 5060), (FALT, "P", 199), (FALT, "S", 198), (FALT, "R", 194),
    (FCONTROL, "SPACE", 194), (FCONTROL, "LEFT", 369), (FCONTROL, "RIGHT", 372), (FCONTROL, "UP", 365),
    (FCONTROL, "DOWN", 366), (FCONTROL, "HOME", 370), (FCONTROL, "END", 371), (0, "RIGHT", 104),
    (0, "LEFT", 105), (FSHIFT, "RIGHT", 106), (FSHIFT, "LEFT", 107), (0, "PRIOR", 324), (0, "NEXT", 325),
    (0, "HOME", 326), (0, "END", 327), (FCONTROL, "S", 253), (0, "ESCAPE", 254), (0, "F8", 311),
]
NUMSACC_KEYS = [(0, "TAB", 139), (FSHIFT, "TAB", 323), (0, "RETURN", 140)] + \
    [(0, str(d), 313 + (d - 1) % 10) for d in range(10)]
# Keys that must stay free for the keyboard handling of the main window and dialogs.
UNBOUND = [(0, 0x70), (FCONTROL, 0x09), (FCONTROL | FSHIFT, 0x09), (FCONTROL | FSHIFT, ord("P")), (0, 0x20)]

STRINGS = {1: "Error registering window class", 2: "Window creation failed!", 8: "SORN.INI", 9: "SORN96.HLP",
           10: "Sorn Edit", 106: "96", 107: "none", 11: "Create a new wave that is initially blank",
           12: "Open an existing waveform", 36: "Undo last action", 68: "Can't Undo", 83: "Error", 93: "Untitled",
           99: "Play List", 100: "Cue List", 101: "Analysis", 104: "Warning",
           105: "Not enough memory for Undo.  Continue anyway?", 120: "Unsupported Sample Format",
           132: "Undo Saving Cancelled", 94: "Play/Record Buffer Size Too Large",
           91: "Error %d Loading FLT File %s"}
TOOLBAR_TIPS = list(range(11, 37)) + list(range(38, 46)) + list(range(111, 116))
# Bitmaps the toolbar loads by name: the built-in buttons, the loop button's second look, the CD player buttons,
# the settings dialog's arrow buttons and the pattern brush.
TOOLBAR_BITMAPS = [
    "INEW2", "IOpen", "ISave", "INewInst", "ISaveSel", "IUndo", "ITrim", "IDel", "ICopy", "ICut", "IPaste",
    "IPasteSp", "IReverse", "ISilence", "IInvert", "IMusic", "IGSilence", "ILoop", "IMonitor", "ISetting",
    "IAnalys", "IInfo", "IScripts", "ICueLst", "IPlayLst", "ICDPlayer", "IELeft", "IERight", "IEBoth", "IESpec",
    "IZero", "IHelp", "IUnLoop", "ICDNew", "ICDPlay", "ICDPause", "ICDStop", "ICDRR", "ICDFF", "ICDMark",
    "ICDGotoMark", "Checkers", 171, 172, 173, 174, 175, 176,
]
MENU_POPUPS = ["FILE", "EDIT", "VIEW", "TRANSFORM", "GENERATE", "ANALYZE", "SPECIAL", "OPTIONS", "HELP"]

errors = []


def fail(msg):
    errors.append(msg)


def read_name(data, pos):
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def read_res(path):
    """→ {(type, name): data} of a .res file."""
    data = open(path, "rb").read()
    out = {}
    pos = 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = read_name(data, pos + 8)
        name, p = read_name(data, p)
        body = pos + header
        if size:
            out[(rtype, name)] = data[body:body + size]
        pos = (body + size + 3) & ~3
    return out


def read_utf16z(data, pos):
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def parse_menu(data):
    """Standard menu template → nested list of ("popup", text, children) / ("item", id, text)."""
    def items(pos):
        result = []
        while True:
            flags = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            if flags & 0x10:
                text, pos = read_utf16z(data, pos)
                children, pos = items(pos)
                result.append(("popup", text, children))
            else:
                cid = struct.unpack_from("<H", data, pos)[0]
                text, pos = read_utf16z(data, pos + 2)
                result.append(("item", cid, text))
            if flags & 0x80:
                return result, pos
    return items(4)[0]


def walk_items(menu):
    for entry in menu:
        if entry[0] == "popup":
            yield from walk_items(entry[2])
        else:
            yield entry


def parse_accel(data):
    out = []
    for pos in range(0, len(data), 8):
        flags, key, cid, _ = struct.unpack_from("<HHHH", data, pos)
        out.append((flags & (FSHIFT | FCONTROL | FALT), key, cid, flags & 1))
    return out


def string(res, sid):
    block = res.get((RT_STRING, (sid >> 4) + 1))
    if block is None:
        return None
    pos = 0
    for i in range(16):
        n = struct.unpack_from("<H", block, pos)[0]
        text = block[pos + 2:pos + 2 + 2 * n].decode("utf-16-le")
        if i == sid & 15:
            return text if n else None
        pos += 2 + 2 * n
    return None


def header_defines(path):
    defs = {}
    for m in re.finditer(r"^#define\s+(\w+)\s+(\d+)\b", open(path).read(), re.M):
        defs[m.group(1)] = int(m.group(2))
    return defs


def command_ids(defs):
    """Every id command_ids.h defines, with the ranges given by *_FIRST/*_LAST pairs."""
    ids = {v for k, v in defs.items() if k.startswith("IDM_")}
    for k, first in defs.items():
        if k.startswith("IDM_") and k.endswith("_FIRST") and k[:-6] + "_LAST" in defs:
            ids.update(range(first, defs[k[:-6] + "_LAST"] + 1))
    return ids


def check_menu(res, defs):
    data = res.get((RT_MENU, "SORNMENU96"))
    if data is None:
        return fail("no menu SORNMENU96")
    menu = parse_menu(data)
    ids = command_ids(defs)
    seen = {}
    for _, cid, text in walk_items(menu):
        if cid == 0 and text == "":
            continue  # separator
        if cid not in ids:
            fail("menu item %r has id %d, which command_ids.h does not define" % (text, cid))
        if cid in seen:
            fail("menu id %d appears twice (%r, %r)" % (cid, seen[cid], text))
        seen[cid] = text
    for cid, text in MENU_TEXTS.items():
        if seen.get(cid) != text:
            fail("menu item %d reads %r, expected %r" % (cid, seen.get(cid), text))
    for i, name in enumerate(MENU_POPUPS):
        pos = defs.get("SORN_MENU_" + name)
        if pos is None or pos >= len(menu) or menu[pos][0] != "popup" or \
                menu[pos][1].replace("&", "").upper() != name:
            fail("popup %s is not at position SORN_MENU_%s" % (name, name))
    file_menu = menu[0][2] if menu and menu[0][0] == "popup" else []
    if len(file_menu) < 2 or file_menu[-1][1:] != (1250, "E&xit") or file_menu[-2][1:] != (0, ""):
        fail("File menu must end with a separator and E&xit (the recent files go between)")
    meter = res.get((RT_MENU, defs.get("IDR_METER_MENU")))
    if meter is None:
        fail("no meter context menu")
    else:
        got = sorted(cid for _, cid, text in walk_items(parse_menu(meter)) if text)
        if got != list(range(328, 340)):
            fail("meter menu ids %s, expected 328..339" % got)


def check_accelerators(res, defs):
    ids = command_ids(defs)
    for table, expected in (("MENUACC", MENUACC_KEYS), ("NUMSACC", NUMSACC_KEYS)):
        data = res.get((RT_ACCELERATOR, table))
        if data is None:
            fail("no accelerator table " + table)
            continue
        bound = {}
        for mods, key, cid, virt in parse_accel(data):
            if not virt:
                fail("%s: key %d is not a virtual-key entry" % (table, key))
            if (mods, key) in bound:
                fail("%s: key %d (modifiers %#x) bound twice" % (table, key, mods))
            bound[(mods, key)] = cid
            if cid not in ids:
                fail("%s: key %d sends %d, which command_ids.h does not define" % (table, key, cid))
        for mods, key, cid in expected:
            code = VK.get(key, ord(key) if len(key) == 1 else None)
            if bound.get((mods, code)) != cid:
                fail("%s: %s (modifiers %#x) sends %s, expected %d" % (table, key, mods, bound.get((mods, code)), cid))
        if table == "MENUACC":
            for mods, key in UNBOUND:
                if (mods, key) in bound:
                    fail("MENUACC binds key %#x (modifiers %#x), which must stay free" % (key, mods))


def check_strings(res):
    for sid, text in STRINGS.items():
        got = string(res, sid)
        if got != text:
            fail("string %d is %r, expected %r" % (sid, got, text))
    for sid in TOOLBAR_TIPS:
        if not string(res, sid):
            fail("toolbar tip string %d is missing" % sid)
    for sid in (3, 4):
        got = string(res, sid) or ""
        if got.count("%") != 3:
            fail("string %d needs the filter name, rate and bits: %r" % (sid, got))


def check_images(res, defs):
    if (RT_GROUP_ICON, defs.get("IDI_SORN96")) not in res:
        fail("no icon %s" % defs.get("IDI_SORN96"))
    for cid in (161, 165, 166, 169, 170):
        if (RT_GROUP_CURSOR, cid) not in res:
            fail("no cursor %d" % cid)
    if (RT_VERSION, 1) not in res:
        fail("no version record")
    # Named resources are found without regard to case.
    bitmaps = {(n.upper() if isinstance(n, str) else n): data for (t, n), data in res.items() if t == RT_BITMAP}
    for name in TOOLBAR_BITMAPS:
        data = bitmaps.get(name.upper() if isinstance(name, str) else name)
        if data is None:
            fail("no bitmap %s" % name)
            continue
        width, height = struct.unpack_from("<ii", data, 4)
        expected = 8 if name == "Checkers" else 24
        if (width, abs(height)) != (expected, expected):
            fail("bitmap %s is %dx%d, expected %dx%d" % (name, width, abs(height), expected, expected))


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    windres, src, work = sys.argv[1:]
    os.makedirs(work, exist_ok=True)
    res_path = os.path.join(work, "sorn96_check.res")
    subprocess.run([windres, "-I" + src, os.path.join(src, "resources", "sorn96.rc"), "-O", "res",
                    "-o", res_path], check=True, cwd=src)
    res = read_res(res_path)
    defs = header_defines(os.path.join(src, "resources", "command_ids.h"))
    check_menu(res, defs)
    check_accelerators(res, defs)
    check_strings(res)
    check_images(res, defs)
    for e in errors:
        print("FAILED: " + e)
    print("%d resources checked, %d problem(s)" % (len(res), len(errors)))
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
