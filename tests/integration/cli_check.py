#!/usr/bin/python3
"""datapond-cli end to end against datapond-meter: files byte for byte, exit statuses and messages.
With --calc, the files of the options for other countries imported by LibreOffice in a German locale.

usage: cli_check.py DATAPOND_CLI DATAPOND_METER [--calc]
"""
import datetime
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import tempfile
import termios
import xml.etree.ElementTree as ET
import zipfile

CLI, METER = sys.argv[1], sys.argv[2]
CALC = sys.argv[3:] == ["--calc"]
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
YEAR = datetime.date.today().year
NOWHERE = "/dev/ttyDATAPOND-NONE"
NOBODY = ("setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups")
results = []


def check(name, condition, detail=""):
    results.append(condition)
    print(("ok   " if condition else "FAIL ") + name + ("" if condition else ": " + detail))


class Meter:
    def __init__(self, *options):
        self.process = subprocess.Popen([METER, *options], stdout=subprocess.PIPE)
        self.port = self.process.stdout.readline().decode().strip()

    def __enter__(self):
        return self

    def __exit__(self, *rest):
        self.process.terminate()
        self.process.wait(timeout=10)


def summary():
    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


def records(lines):
    path = os.path.join(WORK, "records-%d.txt" % len(os.listdir(WORK)))
    with open(path, "w") as f:
        f.write("# test records\n" + "\n".join(lines) + "\n")
    return path


def run(*args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, user=()):
    done = subprocess.run([*user, CLI, *args], cwd=WORK, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                          timeout=120)
    return done.returncode, done.stdout or b"", done.stderr.decode("utf-8", "replace")


def run_on_terminal(args, answer, locale):
    """Runs on a pseudo-terminal that passes bytes as written, typing the answer at the units
    question; returns the status and everything the terminal showed."""
    master, slave = pty.openpty()
    attributes = termios.tcgetattr(slave)
    attributes[1] &= ~termios.OPOST
    termios.tcsetattr(slave, termios.TCSANOW, attributes)
    process = subprocess.Popen([CLI, *args], cwd=WORK, stdin=slave, stdout=slave, stderr=slave,
                               env=dict(os.environ, LC_ALL=locale))
    os.close(slave)
    shown = b""
    while select.select([master], [], [], 60)[0]:
        try:
            shown += os.read(master, 4096)
        except OSError:  # the terminal's last user has gone
            break
        if answer and shown.endswith(b"Units [1/2]: "):
            os.write(master, answer)
            answer = None
    os.close(master)
    return process.wait(timeout=60), shown


def read(name):
    path = os.path.join(WORK, name)
    return open(path, "rb").read() if os.path.exists(path) else None


def calc_import(meter):
    """The files of the options for spreadsheets with a decimal comma, imported by LibreOffice as
    German text (language 1031, UTF-8): numbers must arrive as numbers and date-times as dates."""
    soffice = shutil.which("soffice")
    check("LibreOffice is on the PATH (scripts/setup installs it)", soffice is not None)
    if soffice is None:
        return
    european = ["--decimal-comma", "--encoding", "utf-8", "--date-format", "dd.MM.yyyy", "--time-format", "HH:mm"]
    status, _, err = run("download", "--port", meter.port, "--units", "mg/l", *european, "--delimiter", ";",
                         "--output", "semicolon.csv", "--format", "tab", "--output", "tab.tsv")
    check("the files for a German spreadsheet are written", status == 0, err)
    status, _, err = run("download", "--port", meter.port, "--units", "mg/l", "--output", "book.xlsx",
                         "--output", "book.csv")
    check("a workbook and its csv are written", status == 0, err)
    with zipfile.ZipFile(os.path.join(WORK, "book.xlsx")) as book:
        check("the workbook is a sound zip", book.testzip() is None and len(book.namelist()) == 6, repr(book.namelist()))
    converted = subprocess.run(
        [soffice, "--headless", "-env:UserInstallation=file://" + WORK + "/profile",
         "--infilter=CSV:59/9,34,76,1,,1031", "--convert-to", "fods", "--outdir", WORK + "/calc",
         WORK + "/semicolon.csv", WORK + "/tab.tsv"], capture_output=True, timeout=300)
    subprocess.run([soffice, "--headless", "-env:UserInstallation=file://" + WORK + "/profile", "--convert-to", "fods",
                    "--outdir", WORK + "/calc", WORK + "/book.xlsx"], capture_output=True, timeout=300)
    ns = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
          "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0"}
    for name in ("semicolon", "tab", "book"):
        path = os.path.join(WORK, "calc", name + ".fods")
        if not os.path.exists(path):
            check("LibreOffice imports " + name, False, converted.stderr.decode())
            continue
        cells = []
        for row in ET.parse(path).iterfind(".//table:table-row", ns):
            cells.append([(c.get("{%s}value-type" % ns["office"]),
                           c.get("{%s}value" % ns["office"]) or c.get("{%s}date-value" % ns["office"])
                           or "".join(c.itertext()).strip()) for c in row.iterfind("table:table-cell", ns)])
        expected = [[("string", "Location"), ("string", "Time"), ("string", "D.O. (mg/l)"), ("string", "Temp (°C)")],
                    [("string", "INLET"), ("date", "%d-01-01T00:05:00" % YEAR), ("float", "10"), ("float", "-5")],
                    [("string", "POND A"), ("date", "%d-01-01T10:05:00" % YEAR), ("float", "4.3"),
                     ("float", "12.5")]]
        if name == "book":
            shown = [["".join(c.itertext()).strip() for c in row.iterfind("table:table-cell", ns)][:4]
                     for row in ET.parse(path).iterfind(".//table:table-row", ns)][:3]
            csv = [line.split(",") for line in read("book.csv").decode("cp1252").splitlines()]
            check("LibreOffice reads the workbook: numbers, date-times, and as the csv shows them",
                  [[t for t, _ in row[1:3]] for row in cells[1:3]] == [["date", "float"]] * 2 and shown == csv,
                  repr((cells[:3], shown, csv)))
            continue
        check("German LibreOffice reads " + name + ": numbers, date-times and the degree sign",
              [row[:4] for row in cells[:3]] == expected, repr(cells[:3]))


WORK = tempfile.mkdtemp(prefix="datapond-cli-check-")
os.chmod(WORK, 0o755)
os.environ["DATAPOND_ARCHIVE"] = os.path.join(WORK, "kept")  # never the user's own


def kept_id(err):
    found = re.search(r"^Kept as (\S+) in ", err, re.M)
    return found.group(1) if found else "none"


def check_archive(oxygen, solids, mixed):
    """Every download kept as the meter sent it: a replay writes its bytes again; the units of
    one kept unanswered are given at the replay; a damaged file is named with its line."""
    everything = ["--date-format", "d.M.yy", "--output", "f.csv", "--output", "f.xls", "--output", "f.xlsx",
                  "--format", "tab", "--output", "f.tab", "--output", "f.txt"]
    for kind, log in (("do", oxygen), ("ss", solids), ("multi", mixed)):
        with Meter("--kind", kind, "--records", log) as meter:
            status, _, err = run("download", "--port", meter.port, "--units", "mg/l", *everything)
            downloaded = {name: read(name) for name in ("f.csv", "f.xls", "f.xlsx", "f.tab", "f.txt")}
            replayed = run("replay", kept_id(err), "--units", "mg/l", *everything)
            check("the replay of a kept %s download writes its every file again" % kind, status == 0 and
                  replayed[0] == 0 and all(downloaded[n] == read(n) for n in downloaded), repr((err, replayed)))
    with Meter("--kind", "do", "--records", oxygen) as meter:
        status, _, err = run("download", "--port", meter.port)
        unanswered = kept_id(err)
        listed = run("archive")[1].decode()
        check("a download without its units is status 2, and kept",
              status == 2 and re.search("^%s .* do .* 2 readings, units not given$" % unanswered, listed, re.M),
              repr((err, listed)))
        status, _, err = run("replay", unanswered, "--date-format", "M/d")
        check("its replay needs the units", status == 2 and "kept without its units" in err, err)
        status, out, err = run("replay", unanswered, "--units", "mg/l", "--date-format", "M/d", "--format", "csv")
        check("given at the replay, they give the download's file", status == 0 and out == OXYGEN_CSV, repr(out))
        status, out, err = run("download", "--port", meter.port, "--units", "mg/l", "--date-format", "M/d",
                               "--format", "csv", "--archive", os.path.join(WORK, "f.csv", "kept"))
        check("a download that cannot be kept is written all the same, status 5",
              status == 5 and out == OXYGEN_CSV and "could not be kept in" in err, repr((status, err)))
    kept = os.path.join(WORK, "kept", unanswered + ".txt")
    text = open(kept).read()
    for damage, line in ((text.replace("\n  3: FFFF", "\n  3: FFGF"), 11), (text[:text.index("\n 20:") + 1], 28),
                         (text.replace("format 1", "format 9"), 1)):
        open(kept, "w").write(damage)
        status, _, err = run("replay", unanswered, "--units", "sat")
        check("a damaged kept file: its name and line %d" % line,
              status == 2 and (kept + ": line %d: " % line) in err, repr((status, err)))
    os.remove(kept)


def check_history():
    """Two meters of 250 readings each, one downloaded twice: each reading once, in every
    filter; the report is one page whose pictures parse."""
    archive = os.path.join(WORK, "history")
    os.mkdir(archive)
    for n, m in enumerate((0, 0, 1)):  # kept files as a download writes them, the first meter twice
        with open(os.path.join(archive, "%d0102-100000-%d.txt" % (YEAR, n + 1)), "w") as f:
            f.write("Datapond kept download, format 1\nmeter: multi\nkind told by: identification\nport: COM%d\n"
                    "downloaded: %d-01-02 10:00:00 +00:00\nunits: none\nrecords: 250 of 8 registers\n" % (m, YEAR))
            f.writelines("%3d: %04X 2020 2020 %04X 00D7 0000 %04X 0026\n" % (r, 0x4130 + m, 100 + r, 60 * r + m)
                         for r in range(250))
    os.environ["DATAPOND_ARCHIVE"] = archive
    for filters, rows in (([], 500), (["--location", "a0"], 250), (["--type", "ph", "--type", "orp-us"], 500),
                          (["--type", "ss-high"], 0), (["--since", "%d-01-02" % YEAR], 240),
                          (["--until", "%d-01-01" % YEAR, "--location", "A1"], 130)):
        status, out, err = run("history", *filters, "--format", "csv")
        check("history %s: %d rows" % (" ".join(filters), rows), status == (0 if rows else 3) and
              out.count(b"\r\n") == (rows + 1 if rows else 0), repr((status, out.count(b"\r\n"), err)))
    status, _, err = run("history", "--output", "all.xls")
    lint = subprocess.run(["xmllint", "--noout", os.path.join(WORK, "all.xls")], capture_output=True)
    check("a history of 500 rows is a well-formed spreadsheet that declares them", status == 0 and
          lint.returncode == 0 and b'ss:ExpandedRowCount="501"' in read("all.xls"), err + lint.stderr.decode())
    status, _, err = run("report", "--output", "report.html")
    page = (read("report.html") or b"").decode()
    pictures = re.findall(r"<svg.*?</svg>", page, re.S)
    for svg in pictures:
        ET.fromstring(svg)
    check("the report: one page, a chart of pH and one of its temperatures", status == 0 and len(pictures) == 2 and
          not re.search(r"(src|href)=\"(http|//)", page), repr((status, err, len(pictures))))
    os.environ["DATAPOND_ARCHIVE"] = os.path.join(WORK, "kept")


try:
    # 1 January 10:05 and 00:05 lie in the current year whatever today is.
    oxygen = records(["504F 4E44 2041 01B3 007D 0000 025D",   # POND A 4.35 12.5 10:05
                      "494E 4C45 5420 03E8 FFCE 0000 0005",   # INLET 10.00 -5.0 00:05
                      "FFFF FFFF FFFF FFFF FFFF FFFF FFFF"])  # an empty slot
    OXYGEN_CSV = oxygen_csv = (b"Location,Time,D.O. (mg/l),Temp (\xb0C)\r\n"
                  b"INLET,1/1 12:05 AM,10.0,-5.0\r\n"
                  b"POND A,1/1 10:05 AM,4.3,12.5\r\n")
    oxygen_text = (b"Location      Time      D.O. (mg/l)  Temp (\xb0C)\r\n"
                   b"  INLET   1/1 12:05 AM      10.0       -5.0\r\n"
                   b" POND A   1/1 10:05 AM      4.3        12.5\r\n")
    if CALC:
        with Meter("--kind", "do", "--records", oxygen) as meter:
            calc_import(meter)
        raise SystemExit(summary())
    with Meter("--kind", "do", "--records", oxygen) as meter:
        mg = ["download", "--port", meter.port, "--units", "mg/l", "--date-format", "M/d"]
        status, out, err = run(*mg, "--format", "csv")
        check("dissolved oxygen, csv to standard output", status == 0 and out == oxygen_csv, repr((status, out, err)))
        status, out, err = run(*mg)
        check("dissolved oxygen, aligned text by default", status == 0 and out == oxygen_text, repr((status, out)))
        status, out, err = run("download", "--port=" + meter.port, "--units=sat", "--date-format=M/d",
                               "--format=csv", "--rows=2")
        check("%Sat units and a selected row, options given as --option=value", status == 0 and
              out == b"Location,Time,D.O. (%Sat),Temp (\xb0C)\r\nPOND A,1/1 10:05 AM,43.5,12.5\r\n", repr(out))
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d")
        check("no units without a terminal is a usage error", status == 2 and out == b"" and "--units" in err,
              repr((status, err)))
        status, out, err = run(*mg, "--rows", "3")
        check("a row beyond the download", status == 2 and out == b"" and "beyond the 2 rows" in err,
              repr((status, err)))

        # The format of an --output comes from the --format before it, else from the file's name.
        outputs = (("by-name.csv", oxygen_csv), ("by-name.txt", oxygen_text), ("BY-NAME.XLS", b"<?xml"),
                   ("tab.txt", b"Location\tTime\t"), ("csv.data", oxygen_csv))
        status, out, err = run(*mg, "--output", "by-name.csv", "--output", "by-name.txt", "--output", "BY-NAME.XLS",
                               "--format", "tab", "--output", "tab.txt", "--format", "csv", "--output", "csv.data")
        for name, expected in outputs:
            check("the format of " + name, status == 0 and out == b"" and (read(name) or b"").startswith(expected),
                  repr((status, read(name), err)))

        # At the units question on a terminal: a wrong answer and then mg/l, in a terminal's own character
        # set (files and pipes keep the Windows bytes); no answer at all writes nothing.
        for answer, locale, expected in ((b"x\n1\n", "C.UTF-8", oxygen_text.decode("cp1252").encode()),
                                         (b"1\n", "C", oxygen_text), (b"\x04", "C.UTF-8", None)):
            status, shown = run_on_terminal(mg[:3] + mg[5:], answer, locale)
            check("units answered %r on a terminal in the locale %s" % (answer, locale),
                  status == 0 and expected in shown if expected else status == 2 and b"Location" not in shown,
                  repr((status, shown)))

        # The options for spreadsheets set up for a decimal comma, together.
        status, out, err = run(*mg, "--date-format", "dd.MM", "--time-format", "H:mm", "--decimal-comma",
                               "--delimiter", ";", "--encoding", "utf-8", "--format", "csv")
        check("decimal comma, semicolons, UTF-8 with its mark, 24-hour times", status == 0 and out == (
            b"\xef\xbb\xbfLocation;Time;D.O. (mg/l);Temp (\xc2\xb0C)\r\n"
            b"INLET;01.01 0:05;10,0;-5,0\r\nPOND A;01.01 10:05;4,3;12,5\r\n"), repr((out, err)))

        # A failed write is status 4 with the system's reason, for a file and for standard output alike,
        # and a failed save leaves the save folder as it was.
        before = read("DatapondDefaults.txt")
        for args in (mg + ["--format", "text", "--format", "csv", "--output", "/dev/full"], ["--help"], ["--version"]):
            with open("/dev/full", "wb") as full:
                status, out, err = run(*args, stdout=full)
            check(args[0] + " to a full disk is status 4",
                  status == 4 and "cannot write standard output: No space left on device" in err and
                  ("cannot write /dev/full: No space left on device" in err) == (args[0] == "download"),
                  repr((status, err)))
        check("a failed save leaves the save folder as it was", read("DatapondDefaults.txt") == before, repr(read("DatapondDefaults.txt")))

    solids = records(["5441 4E4B 3220 04D2 0000 025D"])  # TANK2 1234 10:05
    with Meter("--kind", "ss", "--records", solids) as meter:
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d", "--format", "tab")
        check("suspended solids, three tab-delimited columns, one reading",
              status == 0 and out == b"Location\tTime\tSS (mg/l)\r\nTANK2\t1/1 10:05 AM\t1234\r\n" and
              "1 reading from the Brevanta Model Tessil" in err, repr((out, err)))

    mixed = records(["4131 2020 2020 02BC 00D7 0000 025D 0026",   # A1 pH 7.00 21.5 10:05
                     "4220 2020 2020 04D2 0000 0000 0005 0023"])  # B SS-Hi 1234 00:05
    with Meter("--kind", "multi", "--records", mixed) as meter:
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d", "--format", "tab",
                               "--format", "xls", "--output", "run.xls", "--format", "csv", "--output", "run.csv")
        check("multiparameter, tab to standard output with an empty last cell",
              status == 0 and out == (b"Location\tTime\tReading\tType(Units)\tTemp (\xb0C)\r\n"
                                      b"A1\t1/1 10:05 AM\t7.00\tpH\t21.5\r\n"
                                      b"B\t1/1 12:05 AM\t1234\tSS-Hi(mg/l)\t\r\n"), repr((status, out, err)))
        csv = read("run.csv")
        check("the csv file of the same download", csv == (b"Location,Time,Reading,Type(Units),Temp (\xb0C)\r\n"
                                                           b"A1,1/1 10:05 AM,7.00,pH,21.5\r\n"
                                                           b"B,1/1 12:05 AM,1234,SS-Hi(mg/l),\r\n"), repr(csv))
        xls = read("run.xls")
        rows = xls[xls.index(b"   <Row>"):xls.index(b"  </Table>")]
        check("spreadsheet rows: date-time cells, number styles, no empty temperature cell", rows == (
            b"   <Row>\r\n"
            b"    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">A1</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s27\"><Data ss:Type=\"DateTime\">%d-01-01T10:05:00.000</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s31\"><Data ss:Type=\"Number\">7.00</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">pH</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s30\"><Data ss:Type=\"Number\">21.5</Data></Cell>\r\n"
            b"   </Row>\r\n"
            b"   <Row>\r\n"
            b"    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">B</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s27\"><Data ss:Type=\"DateTime\">%d-01-01T00:05:00.000</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s32\"><Data ss:Type=\"Number\">1234</Data></Cell>\r\n"
            b"    <Cell ss:StyleID=\"s25\"><Data ss:Type=\"String\">SS-Hi(mg/l)</Data></Cell>\r\n"
            b"   </Row>\r\n") % (YEAR, YEAR), repr(rows))
        check("the spreadsheet's degree sign is UTF-8", b"Temp (\xc2\xb0C)" in xls)
        lint = subprocess.run(["xmllint", "--noout", os.path.join(WORK, "run.xls")], capture_output=True)
        check("the spreadsheet is well-formed XML", lint.returncode == 0, lint.stderr.decode())
        check("the port and the save folder are remembered",
              read("DatapondDefaults.txt") == (meter.port + "\r\n" + WORK + "/\r\n").encode(), repr(read("DatapondDefaults.txt")))

        # Every port problem keeps the program's line and adds the system's reason for this port.
        def port_problem(port, reason, user=()):
            status, out, err = run("download", "--port", port, "--units", "mg/l", user=user)
            lines = err.splitlines()
            check("the port " + reason, status == 1 and lines[-2:-1] == ["Selected COM port is not available"] and
                  lines[-1].startswith(reason), repr((status, err)))
        os.mkdir(os.path.join(WORK, "a-folder"))
        for port in (NOWHERE, os.path.join(WORK, "run.csv"), os.path.join(WORK, "a-folder")):
            port_problem(port, port + ": " + {NOWHERE: "No such file or directory"}.get(
                port, "Is a directory" if port.endswith("folder") else "not a serial port"))
        holder = os.open(meter.port, os.O_RDWR | os.O_NOCTTY)
        port_problem(meter.port, meter.port + ": in use by process %d (" % os.getpid())
        os.close(holder)
        if os.getuid() == 0:
            # The commonest first problem on Linux: a user outside the serial devices' group.
            os.chown(meter.port, 0, 20)  # Debian's dialout group
            os.chmod(meter.port, 0o660)
            port_problem(meter.port, meter.port + ": Permission denied: add your user to the 'dialout' group, then "
                         "log in again", NOBODY)
        else:
            print("skip a user outside the serial devices' group: only root can run datapond-cli as another user")

    if os.getuid() == 0:
        # ports lists what this user may open, and names the devices they may not.
        named = ["/dev/" + n for n in os.listdir("/dev") if re.match(r"(ttyS|ttyUSB|ttyACM|ttyAMA|ttyXRUSB|cuaU|ttyU)", n)
                 and os.stat("/dev/" + n).st_mode & 0o006 != 0o006]
        status, out, err = run("ports", user=NOBODY)
        check("ports names the serial devices a user may not open", status == 0 and
              all(n in err for n in named) and ("may not open" in err) == bool(named), repr((status, err, named)))

    with Meter("--kind", "multi", "--silent") as meter:
        status, out, err = run("download", "--port", meter.port)
        check("a silent meter is status 1", status == 1 and err.splitlines()[-1] == "No reply from Instrument",
              repr((status, err)))
    empty = records([])
    with Meter("--kind", "ss", "--records", empty) as meter:
        status, out, err = run("download", "--port", meter.port)
        check("a meter of empty slots is status 3",
              status == 3 and err.splitlines()[-1] == "None of the logged data points contain valid data",
              repr((status, err)))

    check_archive(oxygen, solids, mixed)
    check_history()

    # Mistakes are found before the meter is read: the port is not there, so a later look would be status 1.
    os.remove(os.path.join(WORK, "DatapondDefaults.txt"))
    nowhere = ["download", "--port", NOWHERE]
    for args, said in (
            (["--rows", "0"], "counted from 1"), (["--rows", "1,1"], "row 1 is given twice"),
            (["--rows", "1-3,2"], "row 2 is given twice"), (["--rows", "2,a"], '"a" is not a row number'),
            (["--rows", "5-1"], "runs backwards"), (["--rows", "99999"], "at most 250"),
            (["--sort", "bogus"], "location-time location-type-time time type-location-time type-time"),
            (["--format=pdf"], '--format: "pdf" is none of csv tab text xls xlsx'), (["--colour"], "unknown option --colour"),
            (["--colour=red"], "unknown option --colour"), (["--decimal-comma=yes"], "takes no value"),
            (["--port"], "--port needs a value"),
            (["--date-format", "garbage"], "d dd M MM yy yyyy"), (["--date-format", "%Y-%m-%d"], "d dd M MM yy yyyy"),
            (["--date-format", "d MMM yyyy"], "not a picture"), (["--time-format", "HH:MM"], "h hh H HH mm tt"),
            (["--output", "r.xls", "--format", "xls"], "--format xls has no --output after it"),
            (["--format", "csv", "--output", "a.csv", "--format", "text"], "--format text has no --output"),
            (["--format", "xls", "--output", "r.csv"], "r.csv is not a name for --format xls"),
            (["--format", "text", "--output", "r.csv"], "r.csv is not a name for --format text"),
            (["--output", "r.dat"], "say which format"), (["--format", "xlsx", "--output", "r.xls"], "not a name for"),
            (["--no-archive=1"], "takes no value"), (["--location", "A1"], "--location is not an option of download"),
            (["--format", "csv", "--format", "tab"], "only one format can go to standard output"),
            (["--output", "r.csv", "--output", "r.csv"], "r.csv is given twice"),
            (["--decimal-comma", "--format", "csv"], "needs another --delimiter"),
            (["--delimiter", ";"], "no csv is written"), (["--delimiter", "x", "--format", "csv"], "is none of , ; |"),
            (["--encoding", "latin1"], "none of utf-8 windows-1252"),
            (["--output", "/nonexistent-folder/r.csv"], "there is no folder /nonexistent-folder"),
            (["--format", "xls", "--output", "a-folder"], "a-folder: it is a folder")):
        status, out, err = run(*nowhere, *args)
        check("before the download: " + " ".join(args), status == (4 if "folder" in said else 2) and out == b"" and
              said in err and len(err.splitlines()) == 1, repr((status, err)))
    for args in (["upload"], ["download"], ["ports", "--all"], ["replay"], ["replay", "20261207-101542-1", "--port", "x"],
                 ["history", "--since", "2026-02-30"], ["history", "--type", "chlorine"], ["report"],
                 ["report", "--output", "r.csv"], ["archive", "--units", "sat"]):
        status, out, err = run(*args)
        check("usage error: " + " ".join(args), status == 2 and out == b"" and len(err.splitlines()) == 1,
              repr((status, err)))
    check("usage errors leave no defaults file", read("DatapondDefaults.txt") is None)

    status, out, err = run("--help")
    usage = out.decode()
    readme = open(os.path.join(SOURCE, "README.md")).read()
    examples = usage[usage.index("Examples:"):].split("\n\n")[0].splitlines()[1:]
    options = ("--port", "--units", "--sort", "--format", "--output", "--rows", "--date-format", "--time-format",
               "--decimal-comma", "--delimiter", "--encoding", "--archive", "--no-archive", "--location", "--type",
               "--since", "--until")
    check("help: one line for every option", status == 0 and
          all(len(re.findall(r"^  %s\b" % o, usage, re.M)) == 1 for o in options), usage)
    check("help: its examples are the README's", examples != [] and all(e in readme for e in examples), repr(examples))
    version = re.search(r"project\(Datapond VERSION (\S+)", open(os.path.join(SOURCE, "CMakeLists.txt")).read())
    status, out, err = run("--version")
    check("--version", status == 0 and out == b"datapond-cli %s\n" % version.group(1).encode(), repr(out))
finally:
    shutil.rmtree(WORK)

sys.exit(summary())
