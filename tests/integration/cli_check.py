#!/usr/bin/python3
"""datapond-cli end to end against datapond-meter: files byte for byte, exit statuses and messages.

usage: cli_check.py DATAPOND_CLI DATAPOND_METER
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

CLI, METER = sys.argv[1], sys.argv[2]
YEAR = datetime.date.today().year
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


def records(lines):
    path = os.path.join(WORK, "records-%d.txt" % len(os.listdir(WORK)))
    with open(path, "w") as f:
        f.write("# test records\n" + "\n".join(lines) + "\n")
    return path


def run(*args, stdin=subprocess.DEVNULL):
    done = subprocess.run([CLI, *args], cwd=WORK, stdin=stdin, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


def defaults():
    path = os.path.join(WORK, "DatapondDefaults.txt")
    return open(path, "rb").read() if os.path.exists(path) else None


WORK = tempfile.mkdtemp(prefix="datapond-cli-check-")
try:
    # 1 January 10:05 and 00:05 lie in the current year whatever today is.
    oxygen = records(["504F 4E44 2041 01B3 007D 0000 025D",   # POND A 4.35 12.5 10:05
                      "494E 4C45 5420 03E8 FFCE 0000 0005",   # INLET 10.00 -5.0 00:05
                      "FFFF FFFF FFFF FFFF FFFF FFFF FFFF"])  # an empty slot
    oxygen_csv = (b"Location,Time,D.O. (mg/l),Temp (\xb0C)\r\n"
                  b"INLET,1/1 12:05 AM,10.0,-5.0\r\n"
                  b"POND A,1/1 10:05 AM,4.3,12.5\r\n")
    oxygen_text = (b"Location      Time      D.O. (mg/l)  Temp (\xb0C)\r\n"
                   b"  INLET   1/1 12:05 AM      10.0       -5.0\r\n"
                   b" POND A   1/1 10:05 AM      4.3        12.5\r\n")
    with Meter("--kind", "do", "--records", oxygen) as meter:
        status, out, err = run("download", "--port", meter.port, "--units", "mg/l", "--date-format", "M/d",
                               "--format", "csv")
        check("dissolved oxygen, csv to standard output", status == 0 and out == oxygen_csv, repr((status, out, err)))
        status, out, err = run("download", "--port", meter.port, "--units", "mg/l", "--date-format", "M/d")
        check("dissolved oxygen, aligned text by default", status == 0 and out == oxygen_text, repr((status, out)))
        status, out, err = run("download", "--port", meter.port, "--units", "sat", "--date-format", "M/d",
                               "--format", "csv", "--rows", "2")
        check("%Sat units and a selected row", status == 0 and
              out == b"Location,Time,D.O. (%Sat),Temp (\xb0C)\r\nPOND A,1/1 10:05 AM,43.5,12.5\r\n", repr(out))
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d")
        check("no units without a terminal is a usage error", status == 2 and out == b"" and "--units" in err,
              repr((status, err)))
        status, out, err = run("download", "--port", meter.port, "--units", "mg/l", "--rows", "3")
        check("a row beyond the download", status == 2 and out == b"" and "beyond" in err, repr((status, err)))

    solids = records(["5441 4E4B 3220 04D2 0000 025D"])  # TANK2 1234 10:05
    with Meter("--kind", "ss", "--records", solids) as meter:
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d", "--format", "tab")
        check("suspended solids, three tab-delimited columns",
              status == 0 and out == b"Location\tTime\tSS (mg/l)\r\nTANK2\t1/1 10:05 AM\t1234\r\n", repr(out))

    mixed = records(["4131 2020 2020 02BC 00D7 0000 025D 0026",   # A1 pH 7.00 21.5 10:05
                     "4220 2020 2020 04D2 0000 0000 0005 0023"])  # B SS-Hi 1234 00:05
    with Meter("--kind", "multi", "--records", mixed) as meter:
        status, out, err = run("download", "--port", meter.port, "--date-format", "M/d", "--format", "tab",
                               "--format", "xls", "--output", "run.xls", "--format", "csv", "--output", "run.csv")
        check("multiparameter, tab to standard output with an empty last cell",
              status == 0 and out == (b"Location\tTime\tReading\tType(Units)\tTemp (\xb0C)\r\n"
                                      b"A1\t1/1 10:05 AM\t7.00\tpH\t21.5\r\n"
                                      b"B\t1/1 12:05 AM\t1234\tSS-Hi(mg/l)\t\r\n"), repr((status, out, err)))
        csv = open(os.path.join(WORK, "run.csv"), "rb").read()
        check("the csv file of the same download", csv == (b"Location,Time,Reading,Type(Units),Temp (\xb0C)\r\n"
                                                           b"A1,1/1 10:05 AM,7.00,pH,21.5\r\n"
                                                           b"B,1/1 12:05 AM,1234,SS-Hi(mg/l),\r\n"), repr(csv))
        xls = open(os.path.join(WORK, "run.xls"), "rb").read()
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
              defaults() == (meter.port + "\r\n" + WORK + "/\r\n").encode(), repr(defaults()))

        before = defaults()
        status, out, err = run("download", "--port", meter.port, "--format", "csv", "--output",
                               "/nonexistent-folder/run.csv")
        check("an unwritable file is status 4 with the reason",
              status == 4 and "/nonexistent-folder/run.csv" in err and "No such file" in err, repr((status, err)))
        check("a failed save leaves the save folder as it was", defaults() == before, repr(defaults()))
        os.mkdir(os.path.join(WORK, "taken"))
        status, out, err = run("download", "--port", meter.port, "--format", "xls", "--output", "taken")
        check("a folder in the file's place is status 4", status == 4 and "Is a directory" in err, repr((status, err)))

    with Meter("--kind", "multi", "--silent") as meter:
        status, out, err = run("download", "--port", meter.port)
        check("a silent meter is status 1", status == 1 and err.splitlines()[-1] == "No reply from Instrument",
              repr((status, err)))
    empty = records([])
    with Meter("--kind", "multi", "--records", empty) as meter:
        status, out, err = run("download", "--port", meter.port)
        check("a meter of empty slots is status 3",
              status == 3 and err.splitlines()[-1] == "None of the logged data points contain valid data",
              repr((status, err)))
    status, out, err = run("download", "--port", "/dev/ttyDATAPOND-NONE")
    check("a port that is not there is status 1",
          status == 1 and err.splitlines()[-1] == "Selected COM port is not available", repr((status, err)))

    os.remove(os.path.join(WORK, "DatapondDefaults.txt"))
    for bad in (["download", "--port", "X", "--rows", "0"], ["download", "--port", "X", "--rows", "1,1"],
                ["download", "--port", "X", "--rows", "2,a"], ["download", "--port", "X", "--sort", "colour"],
                ["download", "--port", "X", "--format", "pdf"], ["download", "--port", "X", "--colour"],
                ["download", "--port"], ["upload"], ["download"]):
        status, out, err = run(*bad)
        check("usage error: " + " ".join(bad), status == 2 and out == b"" and len(err.splitlines()) == 1,
              repr((status, err)))
    check("usage errors leave no defaults file", defaults() is None)
    status, out, err = run("--help")
    check("help", status == 0 and b"datapond-cli download" in out)
finally:
    shutil.rmtree(WORK)

failed = results.count(False)
print("%d passed, %d failed" % (len(results) - failed, failed))
sys.exit(1 if failed else 0)
