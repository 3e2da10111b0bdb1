#!/usr/bin/python3
"""Checks the resource files Datapond.rc compiles in, without a cross compiler.

usage: check_resources.py   (exit status 0 when every check passes)

Each check is about a fault that builds cleanly but shows up only on Windows: a stale or
malformed icon, a manifest element Windows silently ignores, version strings that drift from the
numbers, or a help document RichEdit would show as raw text.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")


def read(name, mode="rb"):
    with open(os.path.join(HERE, name), mode) as f:
        return f.read()


def png_pixels(data):
    """(width, height, RGBA rows) of an 8-bit RGBA PNG, any filters."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    assert (depth, colour) == (8, 6), "PNG is not 8-bit RGBA"
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def icon_images(data):
    """{size: (RGBA rows top-down, AND-mask rows or None)} of every image in an .ico."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    assert (reserved, kind) == (0, 1), "not an icon file"
    images, spans = {}, []
    for n in range(count):
        w, h, _, _, planes, bits, length, offset = struct.unpack("<BBBBHHII", data[6 + 16 * n : 22 + 16 * n])
        size = w or 256
        assert w == h and offset + length <= len(data), "entry %d: bad size or past the end" % n
        spans.append((offset, offset + length))
        body = data[offset : offset + length]
        if body[:4] == b"\x89PNG":
            pw, ph, rows = png_pixels(body)
            assert (pw, ph) == (size, size), "%d: PNG is %dx%d" % (size, pw, ph)
            images[size] = (rows, None)
            continue
        hsize, dw, dh, dplanes, dbits = struct.unpack("<IiiHH", body[:16])
        stride = ((size + 31) // 32) * 4
        assert (hsize, dw, dh, dplanes, dbits) == (40, size, 2 * size, 1, 32), "%d: bad DIB header" % size
        assert (planes, bits) == (1, 32), "%d: directory says %d planes, %d bits" % (size, planes, bits)
        assert length == 40 + size * size * 4 + stride * size, "%d: length does not fit the DIB" % size
        pixels, mask = body[40 : 40 + size * size * 4], body[40 + size * size * 4 :]
        rows = []
        for y in reversed(range(size)):  # bottom-up BGRA
            line = pixels[y * size * 4 : (y + 1) * size * 4]
            rows.append(b"".join(bytes((line[i + 2], line[i + 1], line[i], line[i + 3])) for i in range(0, len(line), 4)))
        masks = [mask[y * stride : (y + 1) * stride] for y in reversed(range(size))]
        images[size] = (rows, masks)
    spans.sort()
    assert all(a[1] <= b[0] for a, b in zip(spans, spans[1:])), "images overlap"
    return images


class IconTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.images = icon_images(read("datapond.ico"))

    def test_has_the_sizes_windows_asks_for(self):
        # Title bar and small icons, Alt+Tab and the desktop, Explorer's large views.
        self.assertLessEqual({16, 32, 48, 256}, set(self.images))

    def test_and_mask_covers_exactly_the_transparent_pixels(self):
        for size, (rows, masks) in self.images.items():
            if masks is None:
                continue
            with self.subTest(size=size):
                for y in range(size):
                    for x in range(size):
                        masked = bool(masks[y][x // 8] & (0x80 >> (x % 8)))
                        self.assertEqual(masked, rows[y][x * 4 + 3] == 0, "pixel %d,%d" % (x, y))

    def test_each_size_is_a_whole_blue_drop(self):
        for size, (rows, _) in self.images.items():
            with self.subTest(size=size):
                alpha = [[row[x * 4 + 3] for x in range(size)] for row in rows]
                spans = [[x for x in range(size) if a[x] >= 128] for a in alpha]
                drawn = [y for y in range(size) if spans[y]]
                # Nothing cut off at the sides or the bottom (the tip may touch the top).
                self.assertFalse(any(a[0] or a[-1] for a in alpha) or any(alpha[-1]), "clipped")
                # Pointed at the top, widest low down: a drop, not a blob or upside down.
                top, widest = spans[drawn[0]], max(drawn, key=lambda y: len(spans[y]))
                self.assertLessEqual(len(top), max(2, size // 32), "tip")
                middle = (drawn[0] + drawn[-1] + 1) / 2
                upper = sum(len(spans[y]) for y in drawn if y < middle)
                lower = sum(len(spans[y]) for y in drawn if y >= middle)
                self.assertGreater(lower, 1.3 * upper, "not heavier below")
                self.assertTrue(0.55 <= len(spans[widest]) / size <= 0.8, "width")
                self.assertGreaterEqual(len(drawn) / size, 0.85, "height")
                centre = rows[widest][(size // 2) * 4 : (size // 2) * 4 + 4]
                self.assertEqual(centre[3], 255)
                self.assertGreater(centre[2], centre[0] + 60, "blue")

    def test_committed_icon_is_what_draw_icon_makes(self):
        with tempfile.TemporaryDirectory() as work:
            out = os.path.join(work, "datapond.ico")
            subprocess.run([sys.executable, os.path.join(HERE, "draw_icon.py"), out], check=True)
            with open(out, "rb") as f:
                fresh = icon_images(f.read())
        self.assertEqual(sorted(fresh), sorted(self.images))
        for size in fresh:
            self.assertEqual(fresh[size], self.images[size], "%dx%d differs: run make_icon.sh" % (size, size))


ASM = "{urn:schemas-microsoft-com:asm.v1}"
ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


class ManifestTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = ET.fromstring(read("Datapond.manifest"))

    def test_elements_and_attributes(self):
        # Windows ignores an element in the wrong namespace without a word, so the paths name them.
        table = [
            (".", {"manifestVersion": "1.0"}),
            (ASM + "assemblyIdentity",
             {"name": "Brevanta.Datapond", "version": "1.0.0.0", "processorArchitecture": "amd64", "type": "win32"}),
            (ASM + "dependency/" + ASM + "dependentAssembly/" + ASM + "assemblyIdentity",
             {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
              "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}),
            (ASM3 + "trustInfo/" + ASM3 + "security/" + ASM3 + "requestedPrivileges/" + ASM3 + "requestedExecutionLevel",
             {"level": "asInvoker", "uiAccess": "false"}),
        ]
        self.assertEqual(self.root.tag, ASM + "assembly")
        for path, attributes in table:
            with self.subTest(path=path):
                element = self.root.find(path)
                self.assertIsNotNone(element)
                self.assertEqual({k: element.get(k) for k in attributes}, attributes)

    def test_supported_os_vista_to_11(self):
        ids = {e.get("Id").lower() for e in self.root.iter(COMPAT + "supportedOS")}
        self.assertEqual(ids, {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})

    def test_system_dpi_aware_only(self):
        settings = self.root.find(ASM3 + "application/" + ASM3 + "windowsSettings")
        self.assertIsNotNone(settings)
        self.assertEqual(settings.findtext(SETTINGS + "dpiAware", "").strip().lower(), "true")
        # dpiAwareness takes precedence on Windows 10 and would make the program per-monitor aware.
        self.assertIsNone(settings.find(SETTINGS_2016 + "dpiAwareness"))


class ScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rc = read("Datapond.rc", "r")

    def test_version_strings_match_the_numbers(self):
        for number, string in (("FILEVERSION", "FileVersion"), ("PRODUCTVERSION", "ProductVersion")):
            with self.subTest(number):
                digits = re.search(r"^%s\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)" % number, self.rc, re.M)
                text = re.search(r'VALUE\s+"%s"\s*,\s*"([^"]*)"' % string, self.rc)
                self.assertEqual(".".join(digits.groups()), text.group(1))

    def test_string_block_matches_translation(self):
        # Explorer looks the strings up by the language and code page in Translation.
        block = re.search(r'BLOCK\s+"([0-9A-Fa-f]{8})"', self.rc).group(1)
        lang, page = re.search(r'VALUE\s+"Translation"\s*,\s*(\w+)\s*,\s*(\w+)', self.rc).groups()
        self.assertEqual(block.upper(), "%04X%04X" % (int(lang, 0), int(page, 0)))


class HelpTest(unittest.TestCase):
    def test_help_is_well_formed_rtf(self):
        text = read("help.rtf")
        self.assertTrue(text.startswith(b"{\\rtf1\\ansi"))
        # Non-ASCII characters must be written as \'xx (Windows-1252) or \uN escapes.
        self.assertTrue(all(b < 128 for b in text), "raw non-ASCII byte")
        depth, closed_at = 0, None
        for m in re.finditer(rb"\\[\\{}]|[{}]", text):
            if m.group() == b"{": depth += 1
            elif m.group() == b"}": depth -= 1
            self.assertGreaterEqual(depth, 0, "unbalanced '}' at byte %d" % m.start())
            if depth == 0 and closed_at is None: closed_at = m.end()
        self.assertEqual(depth, 0, "unclosed '{'")
        self.assertEqual(text[closed_at:].strip(), b"", "text after the document's closing brace")


if __name__ == "__main__":
    unittest.main()
