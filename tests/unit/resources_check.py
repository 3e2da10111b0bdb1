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

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")


def read(name, mode="rb"):
    with open(os.path.join(HERE, name), mode) as f:
        return f.read()


def icon_sizes(data):
    """The sizes of the images of an .ico, after checking that each lies whole in the file."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    assert (reserved, kind) == (0, 1), "not an icon file"
    sizes, spans = [], []
    for n in range(count):
        w, h, _, _, _, _, length, offset = struct.unpack("<BBBBHHII", data[6 + 16 * n : 22 + 16 * n])
        assert w == h and offset + length <= len(data), "entry %d: bad size or past the end" % n
        body = data[offset : offset + length]
        assert body[:4] == b"\x89PNG" or body[:4] == struct.pack("<I", 40), "entry %d: neither PNG nor DIB" % n
        sizes.append(w or 256)
        spans.append((offset, offset + length))
    spans.sort()
    assert all(a[1] <= b[0] for a, b in zip(spans, spans[1:])), "images overlap"
    return set(sizes)


class IconTest(unittest.TestCase):
    def test_has_the_sizes_windows_asks_for(self):
        # Title bar and small icons, Alt+Tab and the desktop, Explorer's large views.
        self.assertLessEqual({16, 32, 48, 256}, icon_sizes(read("datapond.ico")))

    def test_committed_icon_is_what_draw_icon_makes(self):
        with tempfile.TemporaryDirectory() as work:
            out = os.path.join(work, "datapond.ico")
            subprocess.run([sys.executable, os.path.join(HERE, "draw_icon.py"), out], check=True)
            with open(out, "rb") as f:
                fresh = f.read()
        self.assertEqual(fresh, read("datapond.ico"), "the committed icon is not what make_icon.sh draws")


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

    def test_help_quotes_the_quit_question_exactly(self):
        source = open(os.path.join(HERE, "..", "app", "DataWindow_win32.cpp")).read()
        question = re.search(r'kQuitText = L"([^"]*)"', source).group(1)
        shown = re.sub(rb"\r?\n", b"", read("help.rtf")).decode("ascii")  # RTF ignores line ends
        self.assertEqual(shown.count("\\'93" + question + "\\'94"), 2)


if __name__ == "__main__":
    unittest.main()
