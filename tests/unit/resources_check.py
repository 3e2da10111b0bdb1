#!/usr/bin/python3
"""Checks the resource files Datapond.rc compiles in, without a cross compiler.

usage: resources_check.py   (exit status 0 when every check passes)

Each check is about a fault that builds cleanly but shows up only on Windows: an icon Windows
cannot load, a manifest element it silently ignores, or a help document RichEdit would show as
raw text.
"""
import os
import re
import struct
import unittest
import xml.etree.ElementTree as ET
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")


def read(name):
    with open(os.path.join(HERE, name), "rb") as f:
        return f.read()


def image_fault(body, size):
    """Why an icon image of size x size pixels would show nothing, or None: Windows takes a PNG, or
    a DIB twice as high as the icon (its colours, then its transparency mask)."""
    if body.startswith(b"\x89PNG\r\n\x1a\n"):
        chunks, at = {}, 8
        while at < len(body):
            length, kind = struct.unpack(">I4s", body[at : at + 8])
            chunks[kind] = chunks.get(kind, b"") + body[at + 8 : at + 8 + length]
            at += 12 + length
        w, h, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
        pixels = bytearray(zlib.decompress(chunks[b"IDAT"]))
        del pixels[:: 1 + (w * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour] * depth + 7) // 8]  # the rows' filter bytes
        return None if (w, h) == (size, size) and any(pixels) else "PNG %dx%d, blank or not %d square" % (w, h, size)
    header, w, h, _, bits = struct.unpack("<IiiHH", body[:16])
    colours = 40 + (w * bits + 31) // 32 * 4 * size
    whole = (header, w, h) == (40, size, 2 * size) and len(body) >= colours + (w + 31) // 32 * 4 * size
    return None if whole and any(body[40:colours]) else "no PNG, nor whole %dx%d DIB with pixels" % (size, 2 * size)


class ResourcesTest(unittest.TestCase):
    def test_icon_has_every_size_windows_asks_for_each_a_picture(self):
        data = read("datapond.ico")
        self.assertEqual(struct.unpack("<HH", data[:4]), (0, 1), "not an icon file")
        sizes = set()
        for n in range(struct.unpack("<H", data[4:6])[0]):
            w, h, _, _, _, _, length, offset = struct.unpack("<BBBBHHII", data[6 + 16 * n : 22 + 16 * n])
            self.assertTrue(w == h and offset + length <= len(data), "entry %d: bad size or past the end" % n)
            self.assertIsNone(image_fault(data[offset : offset + length], w or 256), "entry %d" % n)
            sizes.add(w or 256)
        # Title bar and small icons, Alt+Tab and the desktop, Explorer's large views.
        self.assertLessEqual({16, 32, 48, 256}, sizes)

    def test_manifest_asks_for_common_controls_6_as_invoker_system_dpi_aware(self):
        # Windows ignores an element in the wrong namespace without a word, so the paths name them.
        asm, asm3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        root = ET.fromstring(read("Datapond.manifest"))
        for path, attributes in [
            (asm + "dependency/" + asm + "dependentAssembly/" + asm + "assemblyIdentity",
             {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
              "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df"}),
            ("/".join(asm3 + p for p in ("trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel")),
             {"level": "asInvoker"}),
        ]:
            element = root.find(path)
            self.assertIsNotNone(element, path)
            self.assertEqual({k: element.get(k) for k in attributes}, attributes)

    def test_help_is_rtf_with_its_six_headings_and_the_quit_question(self):
        text = read("help.rtf")
        self.assertTrue(text.startswith(b"{\\rtf1\\ansi"))
        # Non-ASCII characters must be written as \'xx (Windows-1252) or \uN escapes.
        self.assertTrue(all(b < 128 for b in text), "raw non-ASCII byte")
        depth = 0
        for m in re.finditer(rb"\\[\\{}]|[{}]", text):
            depth += 1 if m.group() == b"{" else -1 if m.group() == b"}" else 0
            self.assertTrue(depth > 0 or m.end() == len(text.rstrip()), "a brace closes the document at %d" % m.start())
        self.assertEqual(depth, 0, "unclosed '{'")
        self.assertEqual(re.findall(rb"\\pard\\b\\fs24 ([^\\]*)\\b0", text),
                         [b"Selecting (Highlighting) Data", b"Deleting Data", b"Sorting Data", b"Printing Data",
                          b"Saving Data To A File", b"Saving Selected Data Only"])
        with open(os.path.join(HERE, "..", "app", "DataWindow_win32.cpp")) as f:
            question = re.search(r'kQuitText = L"([^"]*)"', f.read()).group(1)
        shown = re.sub(rb"\r?\n", b"", text).decode("ascii")  # RTF ignores line ends
        self.assertEqual(shown.count("\\'93" + question + "\\'94"), 2)


if __name__ == "__main__":
    unittest.main()
