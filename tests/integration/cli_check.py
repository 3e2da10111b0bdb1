#!/usr/bin/python3
# datapond-cli end to end against datapond-meter: what only the command line does, its options,
# exit statuses and messages. The bytes of each format are the writers', which the unit tests check.
# With --calc, the files of the options for other countries imported by LibreOffice in a German locale.
#
# usage: cli_check.py DATAPOND_CLI DATAPOND_METER [--calc]
import contextlib
import datetime
import fcntl
import json
import os
import pty
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time
import xml.etree.ElementTree as ET
import zoneinfo

CLI, METER = sys.argv[1], sys.argv[2]
CALC = sys.argv[3:] == ["--calc"]
YEAR = datetime.date.today().year
NOWHERE = "/dev/ttyDATAPOND-NONE"
NOBODY = ("setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups")
WORK = tempfile.mkdtemp(prefix="datapond-cli-check-")
LOCKS = next((d for d in ("/run/lock", "/var/lock") if os.path.isdir(d) and os.stat(d).st_mode & 0o002), "")
ME, GONE = os.getpid(), int(subprocess.run(["sh", "-c", "echo $$"], capture_output=True).stdout)
DEVICE = "/dev/ttyUSBdatapond%d" % os.getpid()  # one a run: runs at once must not share it
os.chmod(WORK, 0o755)
os.environ["DATAPOND_ARCHIVE"] = os.path.join(WORK, "kept")  # never the user's own
results = []

# The meters' records, and their readings as tab-delimited text. 1 January 10:05 and 00:05 lie
# in the current year whatever today is.
RECORDS = {"do": ["504F 4E44 2041 01B3 007D 0000 025D",   # POND A 4.35 12.5 10:05
                  "494E 4C45 5420 03E8 FFCE 0000 0005",   # INLET 10.00 -5.0 00:05
                  "5745 4C4C 2033 01F4 0064 0000 0041",   # WELL 3 5.00 10.0 01:05
                  "FFFF FFFF FFFF FFFF FFFF FFFF FFFF"],  # an empty slot
           "ss": ["5441 4E4B 3220 04D2 0000 025D"],       # TANK2 1234 10:05
           "multi": ["4131 2020 2020 02BC 00D7 0000 025D 0026",   # A1 pH 7.00 21.5 10:05
                     "4220 2020 2020 04D2 0000 0000 0005 0023",   # B SS-Hi 1234 00:05
                     "4131 2020 2020 FF6A 00B4 0000 025D 0126",   # A1 ORP -150 18.0 10:05
                     "4131 2020 2020 02BC 00D7 0000 025D 0026"]}  # A1 pH again: logged twice
TAB = {"do": b"Location\tTime\tD.O. (mg/l)\tTemp (\xb0C)\r\nINLET\t1/1 12:05 AM\t10.0\t-5.0\r\n"
             b"POND A\t1/1 10:05 AM\t4.3\t12.5\r\nWELL 3\t1/1 01:05 AM\t5.0\t10.0\r\n",
       "ss": b"Location\tTime\tSS (mg/l)\r\nTANK2\t1/1 10:05 AM\t1234\r\n",
       "multi": b"Location\tTime\tReading\tType(Units)\tTemp (\xb0C)\r\nA1\t1/1 10:05 AM\t7.00\tpH\t21.5\r\n"
                b"A1\t1/1 10:05 AM\t-150\tORP (mV-U.S.)\t18.0\r\nA1\t1/1 10:05 AM\t7.00\tpH\t21.5\r\n"
                b"B\t1/1 12:05 AM\t1234\tSS-Hi(mg/l)\t\r\n"}
OXYGEN_TEXT = b"Location      Time      D.O. (mg/l)  Temp (\xb0C)\r\n  INLET   1/1 12:05 AM      10.0       -5.0\r\n"


def check(name, condition, detail=""):
    results.append(bool(condition))
    print(("ok   " if condition else "FAIL ") + name + ("" if condition else ": " + detail))


# A program (as `user`), from the line where it said `ready` until the test is done with it: the
# meter's first line is its port.
@contextlib.contextmanager
def started(*command, ready=b"/dev/", user=()):
    process = subprocess.Popen([*user, *command], cwd=WORK, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        while ready not in (line := process.stdout.readline()) and line:
            pass
        yield line.decode().strip()
    finally:
        process.terminate()
        process.wait(timeout=60)


def meter(kind, records, *options):
    path = os.path.join(WORK, "records")
    with open(path, "w") as f:
        f.write("# test records\n" + "".join(line + "\n" for line in records))
    return started(METER, "--kind", kind, "--records", path, *options)


def run(*args, stdout=subprocess.PIPE, user=(), cwd=WORK, **popen):
    done = subprocess.run([*user, CLI, *args], cwd=cwd, stdin=subprocess.DEVNULL, stdout=stdout,
                          stderr=subprocess.PIPE, timeout=120, **popen)
    return done.returncode, done.stdout or b"", done.stderr.decode("utf-8", "replace")


# Runs on a pseudo-terminal that passes bytes as written, with the answer typed ahead for the
# units question; returns the status and everything the terminal showed.
def run_on_terminal(args, answer, locale):
    master, slave = pty.openpty()
    attributes = termios.tcgetattr(slave)
    attributes[1] &= ~termios.OPOST
    termios.tcsetattr(slave, termios.TCSANOW, attributes)
    process = subprocess.Popen([CLI, *args], cwd=WORK, stdin=slave, stdout=slave, stderr=slave,
                               env=dict(os.environ, LC_ALL=locale))
    os.close(slave)
    os.write(master, answer)
    shown = b""
    with contextlib.suppress(OSError):  # once the terminal's last user has gone
        while select.select([master], [], [], 60)[0]:
            shown += os.read(master, 4096)
    os.close(master)
    return process.wait(timeout=60), shown


def put(path, data=b""):
    with open(path, "wb") as f:
        f.write(data)


def read(name):
    path = os.path.join(WORK, name)
    return open(path, "rb").read() if os.path.exists(path) else b""


def kept_id(err):
    found = re.search(r"^Kept as (\S+) in ", err, re.M)
    return found.group(1) if found else "none"


# Each kind to standard output and to a file of each format, the format from the --format before
# it or else from the name; the download is kept, and its replay writes every byte again.
def check_kinds():
    # The first --format, with a --format and no --output after it, is standard output's.
    outputs = ["--format", "tab", "--format", "tab", "--output", "tab.txt", "--format", "csv", "--output", "csv.data",
               "--output", "f.csv", "--output", "F.XLS", "--output", "f.xlsx", "--output", "f.txt", "--output", "f.json"]
    for kind, said in (("do", "3 readings from the Brevanta Model Orvane D.O. Logged Data"),
                       ("ss", "1 reading from the Brevanta Model Tessil TSS Logged Data"),
                       ("multi", "4 readings from the Brevanta MultiParameter Portable Logged Data")):
        with meter(kind, RECORDS[kind]) as port:
            status, out, err = run("download", "--port", port, "--units", "mg/l", "--date-format", "M/d", *outputs)
        csv = TAB[kind].replace(b"\t", b",")
        starts = {"tab.txt": TAB[kind], "csv.data": csv, "f.csv": csv, "F.XLS": b"<?xml", "f.xlsx": b"PK\x03\x04",
                  "f.txt": b"Location  ", "f.json": b'{"location":"'}
        files = {name: read(name) for name in starts}
        lint = subprocess.run(["xmllint", "--noout", "F.XLS"], cwd=WORK).returncode
        check(kind + ": standard output and every file in its format", status == 0 and out == TAB[kind] and
              said in err and all(files[n].startswith(s) for n, s in starts.items()) and lint == 0,
              repr((status, out, err, files)))
        kid = kept_id(err)
        status, again, err = run("replay", kid, "--units", "mg/l", "--date-format", "M/d", *outputs)
        check(kind + ": the replay of the kept download writes every byte again",
              status == 0 and again == out and all(read(n) == files[n] for n in files), repr((status, err)))
        one = os.path.join(WORK, "one-" + kind)
        os.mkdir(one)
        shutil.copy(os.path.join(WORK, "kept", kid + ".txt"), one)
        status, again, err = run("history", "--archive", one, "--units", "mg/l", "--date-format", "M/d", *outputs)
        check(kind + ": the history of that one download is its files, byte for byte",
              status == 0 and again == out and all(read(n) == files[n] for n in files), repr((status, err)))
    # The moment a download is kept carries the computer's own offset from UTC.
    with meter("ss", RECORDS["ss"]) as port:
        status, _, err = run("download", "--port", port, "--format", "csv", env=dict(os.environ, TZ="Asia/Kolkata"))
    kept_text = read(os.path.join("kept", kept_id(err) + ".txt"))
    check("a download kept in India says +05:30", status == 0 and b" +05:30\n" in kept_text, repr((err, kept_text[:200])))
    check("the port and the save folder are remembered",
          read("DatapondDefaults.txt") == (port + "\r\n" + WORK + "/\r\n").encode(), repr(read("DatapondDefaults.txt")))


def check_oxygen():
    global unanswered  # the download kept without its units, replayed among the mistakes
    with meter("do", RECORDS["do"]) as port:
        status, out, err = run("download", "--port", port, "--date-format", "M/d")
        unanswered = kept_id(err)
        listed = run("archive")[1].decode()
        check("no units and no terminal: status 2, nothing written, but kept", status == 2 and out == b"" and
              "--units" in err and re.search("^%s .* do .* 3 readings, units not given$" % unanswered, listed, re.M),
              repr((err, listed)))
        status, out, err = run("download", "--port=" + port, "--units=sat", "--date-format=M/d", "--format=csv",
                               "--rows=3,1", "--archive=" + os.path.join(WORK, "f.csv", "kept"))
        check("%Sat and rows in their order, as --option=value; not kept, so status 5", status == 5 and
              "could not be kept in" in err and out == b"Location,Time,D.O. (%Sat),Temp (\xb0C)\r\n"
              b"INLET,1/1 12:05 AM,100,-5.0\r\nWELL 3,1/1 01:05 AM,50,10.0\r\n", repr(out))

        # At the units question on a terminal: a wrong answer and then mg/l, in a terminal's own character
        # set (files and pipes keep the Windows bytes); no answer at all writes nothing.
        for answer, locale, expected in ((b"x\n1\n", "C.UTF-8", OXYGEN_TEXT.decode("cp1252").encode()),
                                         (b"\x04", "C.UTF-8", None)):
            status, shown = run_on_terminal(["download", "--port", port, "--date-format", "M/d"], answer, locale)
            asked_again = b'"x" is neither: answer 1 (' in shown
            check("units answered %r on a terminal in the locale %s" % (answer, locale), b"Units [1/2]: " in shown and
                  asked_again == (answer == b"x\n1\n") and
                  (status == 0 and expected in shown if expected else status == 2 and b"Location" not in shown) and
                  (not expected or b"] 50/50\n" in shown),  # the progress bar ends its line
                  repr((status, shown)))

    replay = ["replay", unanswered, "--units", "mg/l"]
    status, out, err = run(*replay, "--date-format", "dd.MM", "--time-format", "H:mm", "--decimal-comma",
                           "--delimiter", ";", "--encoding", "utf-8", "--format", "csv")
    check("decimal comma, semicolons, UTF-8 with its mark, 24-hour times", status == 0 and out == (
        b"\xef\xbb\xbfLocation;Time;D.O. (mg/l);Temp (\xc2\xb0C)\r\n"
        b"INLET;01.01 0:05;10,0;-5,0\r\nPOND A;01.01 10:05;4,3;12,5\r\nWELL 3;01.01 1:05;5,0;10,0\r\n"),
          repr((out, err)))

    # A failed write is status 4 with the system's reason, for a file and for standard output alike.
    for args in (replay + ["--format", "text", "--format", "csv", "--output", "/dev/full"], ["--help"], ["--version"]):
        with open("/dev/full", "wb") as full:
            status, out, err = run(*args, stdout=full)
        check(args[0] + " to a full disk is status 4",
              status == 4 and "cannot write standard output: No space left on device" in err and
              ("cannot write /dev/full: No space left on device" in err) == (args[0] == "replay"), repr((status, err)))


# Eight meters downloaded at once into one folder, three times over, with links planted at the
# names of the coming seconds: every download said to be kept has a file of its own that replays
# its own meter's readings, and no link is followed.
def check_kept_at_once():
    together, victim = os.path.join(WORK, "together"), os.path.join(WORK, "victim")
    os.mkdir(together)
    put(victim)
    for round_ in range(3):
        soon = [time.strftime("%Y%m%d-%H%M%S", time.localtime(time.time() + s)) for s in range(6)]
        planted = [os.path.join(together, n) for stem in soon for n in (stem + "-1.txt", "." + stem + ".partial")]
        for name in planted:
            os.symlink(victim, name)
        with contextlib.ExitStack() as meters:
            ports = [meters.enter_context(meter("ss", ["4D%02X 2020 2020 %04X 0000 025D" % (0x30 + i, 100 + i)]))
                     for i in range(8)]
            runs = [subprocess.Popen([CLI, "download", "--port", port, "--archive", together, "--format", "tab"],
                                     cwd=WORK, stdout=subprocess.PIPE, stderr=subprocess.PIPE) for port in ports]
            done = [(r.wait(timeout=120), r.stdout.read(), r.stderr.read().decode()) for r in runs]
        for name in filter(os.path.lexists, planted):
            os.remove(name)
        ids = [kept_id(err) for _, _, err in done]
        replays = [run("replay", i, "--archive", together, "--format", "tab")[1] for i in ids]
        check("round %d: eight meters at once, each kept in a file of its own" % round_,
              [d[0] for d in done] == [0] * 8 and len(set(ids)) == 8 and replays == [d[1] for d in done] and
              all(b"M%d\t" % i in replays[i] for i in range(8)) and read("victim") == b"", repr((ids, done)))


# Files are replaced whole or not at all: a full disk, a folder that may not be written and a
# process killed in the middle of writing each leave the older file as it was.
def check_whole_files():
    if os.getuid() != 0:
        print("skip a full disk and a read-only folder: only root can mount one or run as another user")
        return
    disk, ro = os.path.join(WORK, "disk"), os.path.join(WORK, "ro")
    os.mkdir(disk)
    os.mkdir(ro)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", disk], check=True)
    try:
        older = {"disk/readings.xlsx": b"older workbook", "disk/report.html": b"older report",
                 "disk/DatapondDefaults.txt": b"COM9\r\n/nowhere/\r\n", "ro/readings.csv": b"older readings"}
        for name, data in older.items():
            put(os.path.join(WORK, name), data)
        with contextlib.suppress(OSError):
            put(os.path.join(disk, "filler"), b"x" * 65536)
        os.chmod(os.path.join(ro, "readings.csv"), 0o666)
        os.chmod(ro, 0o555)
        replay = ["replay", unanswered, "--units", "mg/l", "--output"]
        runs = [run(*replay, os.path.join(disk, "readings.xlsx")),
                run("report", "--output", os.path.join(disk, "report.html")),
                run(*replay, os.path.join(WORK, "elsewhere.csv"), cwd=disk),  # its defaults cannot be kept
                run(*replay, os.path.join(ro, "readings.csv"), user=NOBODY)]
        results = [r[0] for r in runs]
        # Kept downloads under a folder that may not be written: its reason, not that of the folders below.
        with meter("ss", RECORDS["ss"]) as port:
            os.chmod(port, 0o666)
            unkept = run("download", "--port", port, "--archive", os.path.join(ro, "a", "kept"), user=NOBODY)
        check("a folder of kept downloads that cannot be made names the first failure",
              unkept[0] == 5 and "Permission denied" in unkept[2] and "No such file" not in unkept[2], repr(unkept))
        # A folder that cannot be written is found before the meter is looked for (status 4, not 1).
        early = run("download", "--port", NOWHERE, "--output", os.path.join(ro, "new.csv"), user=NOBODY)
        check("an output folder that cannot be written stops the download before the meter",
              early[0] == 4 and "new.csv: Permission denied" in early[2], repr(early))
        # The system's own reason, not that of a step after the failed one.
        said = [r[2] for r in runs]
        results.append("No space left on device" in said[0] and "Permission denied" in said[3])
        os.remove(os.path.join(disk, "filler"))
        limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1024, 1024))  # SIGXFSZ past 1 KB
        results.append(run(*replay, os.path.join(disk, "readings.xlsx"), preexec_fn=limit)[0])
        # What is left: the older files, and only the temporary file a killed process could not remove.
        left = sorted(n for n in os.listdir(disk) + os.listdir(ro) if not n.startswith(".datapond-"))
        check("a full disk, a read-only folder, a kill at the write: the older files stay",
              results == [4, 4, 0, 4, True, -signal.SIGXFSZ] and all(read(n) == d for n, d in older.items()) and
              left == sorted(os.path.basename(n) for n in older), repr((results, left)))
    finally:
        subprocess.run(["umount", disk])


# Kept files are read as files only, of a kept download's size: a pipe, a link to a device and a
# huge file are named and left out, their fields shown escaped, and the run says so by status 6.
def check_damaged_kept():
    odd = os.path.join(WORK, "odd")
    shutil.copytree(os.path.join(WORK, "kept"), odd)
    os.mkfifo(os.path.join(odd, "20000101-000000-1.txt"))
    os.symlink("/dev/zero", os.path.join(odd, "20000101-000000-2.txt"))
    put(os.path.join(odd, "20000101-000000-3.txt"), b"\n" * (2 << 20))
    put(os.path.join(odd, "20000101-000000-4.txt"), b"Datapond kept download, format 1\nmeter: \x1b[31mred\n")
    said = ["not a regular file", "a symbolic link, not a file", "larger than 1048576 bytes",
            'line 2: unknown meter "\\x1B[31mred"']
    for args in (["archive"], ["history", "--units", "mg/l"], ["report", "--output", "odd.html"]):
        status, out, err = run(*args, "--archive", odd)
        check(args[0] + " of damaged kept files: named, escaped, status 6", status == 6 and out + read("odd.html") and
              all(s in err for s in said) and "\x1b" not in err, repr((status, err)))


def lock_file(port):
    return os.path.join(LOCKS, "LCK.%d.%d" % (os.major(os.stat(port).st_rdev), os.minor(os.stat(port).st_rdev)))


def stty(*settings):
    return subprocess.run(["stty", "-F", DEVICE, *settings], capture_output=True, check=True).stdout


# The port as another program leaves it while datapond-cli runs; lock files as another user's.
@contextlib.contextmanager
def held(how, port):
    fd, lock, exclusive = os.open(port, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK), lock_file(port), "exclusive" in how
    try:
        fcntl.flock(fd, fcntl.LOCK_EX if how == "under flock" else fcntl.LOCK_UN)
        if exclusive:  # never cleared here before the download: a mode datapond-cli left behind must show
            fcntl.ioctl(fd, termios.TIOCEXCL)
        if "lock file" in how:
            subprocess.run([*NOBODY, "sh", "-c", "printf '%%10d\\n' %d > %s" % (GONE if "stale" in how else ME, lock)])
        yield
    finally:
        if exclusive:
            fcntl.ioctl(fd, termios.TIOCNXCL)
        os.close(fd)
        with contextlib.suppress(FileNotFoundError):
            os.remove(lock)


# Each way of holding a port, seen by `ports` (as root, at 38400 in cooked mode) and then by a
# download; a port left locked would fail the rows after it, and a stale lock file stays unless
# it was taken over and removed.
def check_port_locks():
    if os.getuid() != 0 or not LOCKS:
        print("skip the port locks: they need root, to run datapond-cli as nobody and add to /dev, and a lock "
              "folder all may write")
        return
    bridge = os.path.join(WORK, "bridge")
    os.chmod(WORK, 0o777)  # for the bridge's link
    with started(METER, "--kind", "ss", user=NOBODY) as port, \
            started("socat", "-d", "-d", "pty,link=" + bridge, "file:" + port, ready=b"transfer loop", user=NOBODY):
        os.symlink(os.path.realpath(bridge), DEVICE)  # `ports` looks only at serial-looking names in /dev
        for how, busy in (("held open", ""), ("held open", ""), ("under flock", "locked by process %d (" % ME),
                          ("with a lock file", "locked by process %d (" % ME), ("with a stale lock file", ""),
                          ("in exclusive mode", "in exclusive use by ")):
            before = stty("38400", "cooked") + stty("-a")
            with held(how, bridge):
                _, listed, said = run("ports")
                after = stty("-a")
                status, out, err = run("download", "--port", bridge, "--format", "tab", "--no-archive", user=NOBODY)
                left = os.path.exists(lock_file(bridge))  # before the lock files planted here are removed
            told = "%s is busy: %s" % (DEVICE, busy) in said if busy else not left
            # root sees who holds a terminal in exclusive mode: this check, and socat holding the bridge
            line = next((l for l in said.splitlines() if l.startswith("datapond-cli: %s is busy" % DEVICE)), "")
            holders = set(re.findall(r"process \d+ \(([^)]*)\)", line))
            told = told and ("exclusive" not in how or "process %d (" % ME in line and holders <= {"python3", "socat"})
            done = status == 1 and bridge + ": " + busy in err if busy else status == 0
            check("a port %s: %s; ports changes no setting" % (how, "busy, refused" if busy else "listed, used, let go"),
                  before == after and (DEVICE.encode() in listed.split()) != bool(busy) and told and done,
                  repr((listed, said, err, after)))


# Every port problem keeps the program's line and adds the system's reason for this port.
def check_meter_problems():
    def port_problem(port, reason, user=()):
        status, out, err = run("download", "--port", port, "--units", "mg/l", user=user)
        check("the port: " + reason, status == 1 and err.splitlines()[-2:-1] == ["Selected COM port is not available"]
              and err.splitlines()[-1].startswith(port + ": " + reason), repr((status, err)))

    os.mkdir(os.path.join(WORK, "a-folder"))
    for port, reason in ((NOWHERE, "No such file or directory"), (os.path.join(WORK, "f.csv"), "not a serial port"),
                         ("/dev/null", "not a serial port"), (os.path.join(WORK, "a-folder"), "Is a directory")):
        port_problem(port, reason)
    if os.getuid() == 0:
        # The commonest first problem on Linux: a user outside the serial devices' group.
        with meter("do", RECORDS["do"]) as port:
            os.chown(port, 0, 20)  # Debian's dialout group
            os.chmod(port, 0o660)
            port_problem(port, "Permission denied: add your user to the 'dialout' group, then log in again", NOBODY)
    else:
        print("skip a user outside the serial devices' group: only root can run datapond-cli as another user")

    # The meter's faults on a real terminal: each told by its status and last line, or overcome.
    read_one = "1 reading from the Brevanta Model Tessil TSS Logged Data"
    for options, records, expected, said in (
            (["--silent"], [], 1, "No reply from Instrument"),
            (["--stop-after", "3"], [], 1, "No reply from Instrument"),
            (["--slow", "400"], [], 1, "Incomplete reply from Instrument"),
            (["--garbage"], RECORDS["ss"], 0, read_one), (["--bad-lrc", "2"], RECORDS["ss"], 0, read_one),
            (["--no-identify"], RECORDS["ss"], 0, read_one),
            ([], [], 3, "None of the logged data points contain valid data")):
        with meter("ss", records, *options) as port:
            status, out, err = run("download", "--port", port, "--date-format", "M/d", "--format", "tab")
        # A meter that fails says what to check on a line of its own.
        lines = err.splitlines()[-2:] if expected == 1 else err.splitlines()[-1:]
        hint = "datapond-cli: check that the meter shows \"Waiting for Request from PC...\""
        check("a meter %s: status %d" % (" ".join(options) or "of empty slots", expected), status == expected and
              out == (TAB["ss"] if expected == 0 else b"") and lines[0] == said and
              (expected != 1 or lines[1].startswith(hint)), repr((status, err)))
    # A meter unplugged in the middle of a download: a failed read or write, never a hang.
    with meter("multi", [], "--pace") as port:
        download = subprocess.Popen([CLI, "download", "--port", port], cwd=WORK, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.PIPE)
        said = b""
        while b"Retrieving Logged Readings" not in said and download.poll() is None:
            said += download.stderr.readline()
    err = said.decode() + download.communicate(timeout=60)[1].decode()
    check("a meter unplugged mid-download: status 1", download.returncode == 1 and
          ({"Device I/O Error", "Undefined system Error # 24"} & set(err.splitlines()[-2:])), repr((download.returncode, err)))
    status, _, err = run("download", "--port", "COM3")
    check("--port COM3 on Linux points to the ports here", status == 1 and
          err.splitlines()[-1] == "datapond-cli: COM3 is a Windows name; here a port is a device such as /dev/ttyUSB0: "
          "datapond-cli ports lists them", err)


# The history of the downloads kept so far, each reading once, filtered by each filter; those kept
# without their units are left out unless given; the report's pictures parse.
def check_history():
    chosen = ["--units", "mg/l", "--location", "pond a", "--location", "a1", "--location", "b", "--type", "do-mgl",
              "--type", "ph"]
    for filters, rows in (([], 8), (chosen, 3), (["--since", "%d-01-02" % YEAR], 0),
                          (["--until", "%d-12-31" % (YEAR - 1)], 0)):
        status, out, err = run("history", *filters, "--format", "csv")
        check("history %s: %d rows" % (" ".join(filters), rows), status == (0 if rows else 3) and
              out.count(b"\r\n") == (rows + 1 if rows else 0) and
              ("2 dissolved-oxygen downloads kept without units are left out" in err) != ("--units" in filters),
              repr((status, out, err)))
    status, _, err = run("report", "--output", "report.html")
    pictures = re.findall(r"<svg.*?</svg>", read("report.html").decode(), re.S)
    for svg in pictures:
        ET.fromstring(svg)
    check("the report: a page of charts, each well-formed", status == 0 and pictures != [], err)
    orders = {"location-type-time": b"Location,Type(Units),Time,", "location-time": b"Location,Time,",
              "type-location-time": b"Type(Units),Location,Time,", "type-time": b"Type(Units),Time,Location,",
              "time": b"Time,Location,"}
    heads = {s: run("history", "--units", "mg/l", "--sort", s, "--format", "csv")[1][:len(h)] for s, h in orders.items()}
    check("each --sort puts its keys first", heads == orders, repr(heads))
    # Only a download remembers its port and its last save's folder.
    before = read("DatapondDefaults.txt")
    os.makedirs(os.path.join(WORK, "elsewhere"), exist_ok=True)
    kept_ids = [line.split(" ")[0] for line in run("archive")[1].decode().splitlines()]
    for words in (["history", "--units", "mg/l", "--output", "elsewhere/h.csv"], ["report", "--output", "elsewhere/r.html"],
                  ["replay", kept_ids[-1], "--units", "mg/l", "--output", "elsewhere/r.csv"]):
        run(*words)
    check("history, report, archive and replay leave the defaults file as it was",
          read("DatapondDefaults.txt") == before and os.path.exists(os.path.join(WORK, "elsewhere", "r.csv")), before)
    # A workbook is not for a terminal; a pipe takes it.
    shown = [run_on_terminal(["history", "--units", "mg/l", "--format", f], b"", "C.UTF-8") for f in ("xlsx", "xls")]
    piped = run("history", "--units", "mg/l", "--format", "xlsx")
    check("--format xlsx or xls to a terminal is refused, to a pipe written",
          [s[0] for s in shown] == [2, 2] and b"--format xlsx would go to the terminal" in shown[0][1] and
          piped[0] == 0 and piped[1].startswith(b"PK\x03\x04"), repr((shown, piped[0])))
    # --quiet: a download and a history that go well say nothing; what goes wrong is still said.
    with meter("ss", RECORDS["ss"]) as port:
        quiet = [run("download", "--port", port, "--quiet", "--date-format", "M/d", "--format", "tab"),
                 run("history", "--units", "mg/l", "--quiet", "--output", "q.csv"),
                 run("history", "--quiet", "--archive", "/nonexistent-kept")]
    check("--quiet: nothing on standard error but what went wrong",
          [q[0] for q in quiet] == [0, 0, 2] and quiet[0][1] == TAB["ss"] and quiet[0][2] == quiet[1][2] == "" and
          "there is no folder /nonexistent-kept" in quiet[2][2], repr(quiet))
    # "-" is standard output, and a .tsv is tab-delimited.
    tab = run("history", "--units", "mg/l", "--format", "tab")[1]
    dashed = run("history", "--units", "mg/l", "--format", "tab", "--output", "-", "--output", "h.tsv")
    check("--output - is standard output, and .tsv the tab format",
          dashed[0] == 0 and dashed[1] == tab and read("h.tsv") == tab and tab.startswith(b"Location\t"), repr(dashed))


# For other programs: --iso and json agree reading for reading with the grid's own csv, each
# time with the offset its own date has in the computer's zone (Newfoundland: -03:30, -02:30).
def check_for_programs():
    zone = "America/St_Johns"
    with meter("do", ["5355 4D4D 4552 01F4 0064 0004 6500"]) as port:  # SUMMER 5.00 10.0, 200 days in
        summer = run("download", "--port", port, "--units", "mg/l", "--format", "json", env=dict(os.environ, TZ=zone))
    status, _, err = run("history", "--units", "mg/l", "--iso", "--output", "iso.csv",
                         "--output", "iso.json", env=dict(os.environ, TZ=zone))
    grid = [line.split(",") for line in run("history", "--units", "mg/l", "--format", "csv",
                                            "--date-format", "yyyy-MM-dd", "--time-format", "HH:mm")[1]
            .decode("cp1252").splitlines()[1:]]
    iso = read("iso.csv").decode("utf-8").split("\r\n")
    lines = read("iso.json").decode("utf-8").split("\n")
    objects = [json.loads(line) for line in lines[:-1]]
    wanted = []
    for location, time, value, *rest in grid:
        local = datetime.datetime.strptime(time, "%Y-%m-%d %H:%M")
        offset = local.replace(tzinfo=zoneinfo.ZoneInfo(zone)).utcoffset().total_seconds() // 60
        stamp = local.isoformat() + "%s%02d:%02d" % ("-" if offset < 0 else "+", abs(offset) // 60, abs(offset) % 60)
        wanted.append((location, stamp, value, rest[1] if len(rest) > 1 else ""))
    offsets = {o["time"][-6:] for o in objects}
    check("--iso and json: every reading of the history, its time with its own offset",
          status == 0 and iso[0] == "location,time,type,units,value,temperature" and iso[-1] == "" and
          [tuple(r.split(",")[i] for i in (0, 1, 4, 5)) for r in iso[1:-1]] == wanted and lines[-1] == "" and
          [(o["location"], o["time"], o["value"], o["temperature"]) for o in objects] ==
          [(l, t, float(v), float(c) if c else None) for l, t, v, c in wanted] and
          offsets == {"-03:30", "-02:30"} and all(set(o) == set(iso[0].split(",")) for o in objects) and
          summer[0] == 0 and summer[1] in read("iso.json") and b"-07-20T00:00:00-02:30" in summer[1],
          repr((status, err, summer, iso[:3], lines[:2], wanted[:2], offsets)))


# alarms: without limits a mistake; a line of them that cannot be read is named; the runs past
# them one a line, status 8; none, status 0. The report opens with the same runs.
def check_alarms():
    status, out, err = run("alarms")
    check("alarms without limits says where to write them", status == 2 and out == b"" and
          "alarms needs limits: write them in %s/kept/limits.txt or give --limits FILE" % WORK in err, err)
    put(os.path.join(WORK, "bad.txt"), b"# ours\nph: below 6.5\nph at A1: under 7\n")
    status, _, err = run("alarms", "--limits", "bad.txt")
    check("a limits line that cannot be read is named", status == 2 and
          'the limits file bad.txt, line 3: "under 7" is neither "below N" nor "above N"' in err, err)
    put(os.path.join(WORK, "kept", "limits.txt"), b"ph: below 7.5\norp-us: below -100\ndo-mgl at well 3: above 4.5\n")
    put(os.path.join(WORK, "calm.txt"), b"ph: below 6.5, above 8.5\n")
    day = "%d-01-01 " % YEAR
    runs = ("A1\tph\tbelow 7.5\t{0}10:05\t{0}10:05\tongoing\t2\t7.00\n"
            "A1\torp-us\tbelow -100\t{0}10:05\t{0}10:05\tongoing\t1\t-150\n"
            "WELL 3\tdo-mgl\tabove 4.5\t{0}01:05\t{0}01:05\tongoing\t1\t5.0\n").format(day).encode()
    for options, expected, lines in ((["--units", "mg/l"], 8, runs), (["--limits", "calm.txt"], 0, b""),
                                     (["--type", "ss-high"], 0, b""), (["--location", "well 3", "--units", "mg/l"], 8,
                                                                      runs.split(b"\n")[2] + b"\n")):
        status, out, err = run("alarms", *options)
        check("alarms %s: status %d" % (" ".join(options), expected), status == expected and out == lines,
              repr((status, out, err)))
    status, _, err = run("report", "--units", "mg/l", "--output", "limits.html")
    page = read("limits.html").decode()
    check("the report opens with the runs past the limits", status == 0 and
          page.find("<h2>Past the limits</h2>\n<p>3 runs") < page.find("<h2>Charts</h2>") and
          page.count("stroke-dasharray") == 3, err)
    # The month's figures count the days with a reading past a limit; the days' figures do not.
    figures = [run("history", "--units", "mg/l", period, "--type", "ph", "--type", "do-mgl", "--format", "tab")
               for period in ("--daily", "--monthly")]
    check("history --daily and --monthly: each location's figures of each type",
          [f[0] for f in figures] == [0, 0] and
          figures[0][1].startswith(b"Location\tType(Units)\tDay\tReadings\tMinimum\tMean\tMaximum\r\n") and
          b"\r\nA1\tpH\t1/1/%d\t2\t7.00\t7.00\t7.00\r\n" % YEAR in figures[0][1] and
          b"\r\nA1\tpH\t%d-01\t2\t7.00\t7.00\t7.00\t1\r\n" % YEAR in figures[1][1] and
          b"\r\nWELL 3\tD.O. (mg/l)\t%d-01\t1\t5.0\t5.0\t5.0\t1\r\n" % YEAR in figures[1][1], repr(figures))
    # The figures against the readings themselves, counted here: count, least, mean and greatest
    # of each location, type and day; the mean within half of its last shown decimal.
    readings = run("history", "--units", "mg/l", "--format", "tab", "--date-format", "yyyy-MM-dd")[1].decode("cp1252")
    days = {}
    for line in readings.splitlines()[1:]:
        location, time, value, label = line.split("\t")[:4]
        days.setdefault((location, label, time.split(" ")[0]), []).append(float(value))
    daily = run("history", "--units", "mg/l", "--daily", "--format", "tab", "--date-format", "yyyy-MM-dd")[1]
    wrong = []
    for line in daily.decode("cp1252").splitlines()[1:]:
        location, label, day, count, least, mean, greatest = line.split("\t")
        values = days.pop((location, label, day), [])
        half = 0.5 * 10 ** -len((mean + ".").split(".")[1])
        if (int(count), float(least), float(greatest)) != (len(values), min(values or [0]), max(values or [0])) or \
                abs(float(mean) - sum(values) / max(len(values), 1)) > half + 1e-9:
            wrong.append(line)
    check("the daily figures are those of the readings, counted apart", not wrong and not days, repr((wrong, days)))
    os.remove(os.path.join(WORK, "kept", "limits.txt"))


# Mistakes are found before the meter is read: the port is not there, so a later look would be
# status 1. The words go after "download --port NOWHERE", or make a command line of their own;
# ID is the download kept without its units.
def check_mistakes():
    os.remove(os.path.join(WORK, "DatapondDefaults.txt"))
    for words, said in (
            ("--rows 0", "counted from 1"), ("--rows 1-3,2", "row 2 is given twice"), ("--rows 5-1", "runs backwards"),
            ("--colour", "unknown option --colour"), ("--decimal-comma=yes", "takes no value"),
            ("--port", "--port needs a value"), ("--location A1", "--location is not an option of download"),
            ("--port --no-archive", "--port needs a value, not the option --no-archive"),
            ("--time-format hh:mm", "has a 12-hour clock (h) without tt"),
            ("--date-format %Y-%m-%d", "not a picture of d dd M MM yy yyyy"),
            ("--time-format HH:MM", "h hh H HH mm tt"),
            ("--output r.xls --format xls", "--format xls has no --output after it"),
            ("--format xlsx --output r.xls", "r.xls is not a name for --format xlsx"), ("--output r.dat", "say which"),
            ("--format csv --format tab", "only one format can go to standard output"),
            ("--output r.csv --output r.csv", "r.csv is given twice"),
            ("--iso --decimal-comma", "--decimal-comma cannot go with --iso"),
            ("--iso --output r.xlsx", "--iso is for the text formats and json"),
            ("--format json --output r.csv", "r.csv is not a name for --format json"),
            ("history --monthly --format json", "--format json is for readings, not for --daily or --monthly"),
            ("history --daily --sort time", "--sort is for readings: the figures come by location"),
            ("--format json --decimal-comma", "--decimal-comma is for the text formats (text, csv, tab), and none"),
            ("--output r.xls --time-format HH:mm", "--time-format is for the times of text, csv, tab and xlsx"),
            ("--decimal-comma --format csv", "needs another --delimiter"), ("--delimiter ;", "no csv is written"),
            ("--delimiter x --format csv", "is none of , ; |"),
            ("--output /nonexistent-folder/r.csv", "there is no folder /nonexistent-folder"),
            ("--format xls --output a-folder", "a-folder: it is a folder"),
            ("download --port COM\n1", "no control characters"), ("upload", 'unknown command "upload"'), ("download", "no --port given and no port remembered"),
            ("ports --all", "ports takes no options"), ("replay", "needs the ID of a kept download"),
            ("replay ID", "kept without its units"), ("replay ID --units mg/l --rows 4", "beyond the 3 rows"),
            ("replay 20000101-000000-1", "no such kept download"),
            ("history --since 2026-02-30", "not a date written YYYY-MM-DD"), ("report", "needs --output FILE.html"),
            ("history --daily --monthly", "--daily and --monthly: one of them"),
            ("history --daily --limits l.txt", "--limits is for history --monthly"),
            ("report --output r.csv", "a report is a page named .html"),
            ("report --output a.html --output b.html", "--output is given twice: a report is one page"),
            ("archive --archive /nonexistent-kept", "there is no folder /nonexistent-kept of kept downloads"),
            ("history --archive /nonexistent-kept", "there is no folder /nonexistent-kept of kept downloads"),
            ("report --output /nonexistent-folder/r.html --archive /nonexistent-kept",
             "r.html: there is no folder /nonexistent-folder"), ("correct", "needs the ID of a kept download"),
            ("correct ID", "correct needs --units or --downloaded"), ("correct ID --downloaded 1969-12-31", "from 1970")):
        words = words.replace("ID", unanswered)
        args = (["download", "--port", NOWHERE] if words.startswith("--") else []) + words.split(" ")
        status, out, err = run(*args)
        not_written = said.startswith(("there is no folder /nonexistent-folder", "a-folder", "r.html"))
        check("a mistake: " + words.replace("\n", "\\n"), status == (4 if not_written else 2) and out == b"" and
              said in err and len(err.splitlines()) == 1, repr((status, err)))
    check("mistakes leave no defaults file", not os.path.exists(os.path.join(WORK, "DatapondDefaults.txt")))
    # Without a home nor another word of where, there is no place to keep downloads.
    homeless = {k: v for k, v in os.environ.items() if k not in ("HOME", "DATAPOND_ARCHIVE", "XDG_DATA_HOME")}
    said = [run(*words, env=homeless) for words in (["download", "--port", NOWHERE], ["history"], ["replay", "ID"])]
    check("without HOME: no place for kept downloads, status 2, before the meter",
          all(s[0] == 2 and "there is no place for kept downloads: HOME is not set" in s[2] for s in said), repr(said))


# A mend is a line of corrections.txt beside the kept downloads: the kept file stays as it was,
# and archive, replay and history read the download mended.
def check_corrections():
    kept = os.path.join("kept", unanswered + ".txt")
    before = read(kept)
    left_out = lambda err: int(next(iter(re.findall(r"(\d+) dissolved-oxygen", err)), 0))
    unmended = left_out(run("history", "--format", "csv")[2])
    status, _, err = run("correct", unanswered, "--units", "mg/l")
    listed = run("archive")[1].decode()
    history, replayed = run("history", "--format", "csv"), run("replay", unanswered, "--format", "tab")
    log = read(os.path.join("kept", "corrections.txt")).decode().splitlines()
    check("correct: the units added beside, the kept file unchanged, read mended",
          status == 0 and "Corrected %s: units none -> mg/l" % unanswered in err and read(kept) == before and
          re.search("^%s .* readings, corrected$" % unanswered, listed, re.M) and
          history[0] == 0 and left_out(history[2]) == unmended - 1 and replayed[0] == 0 and
          log[0] == "Datapond corrections, format 1" and log[1].split("\t")[1:] == [unanswered, "units", "none", "mg/l"],
          repr((status, err, listed, history[2], replayed[2], log)))
    other = next(line.split()[0] for line in listed.splitlines() if "  ss  " in line)
    status, _, err = run("correct", other, "--units", "sat")
    check("correct: units for a meter with units of its own refused, and nothing added", status == 2 and
          "their own units" in err and read(os.path.join("kept", "corrections.txt")).decode().splitlines() == log, err)


# The files for spreadsheets set up for a decimal comma, imported by LibreOffice as German text
# (language 1031, UTF-8), and a workbook: numbers must arrive as numbers and date-times as dates,
# and the workbook's times shown as the grid shows them by a LibreOffice set for Germany.
def calc_import():
    soffice = shutil.which("soffice")
    check("LibreOffice is on the PATH (scripts/setup installs it)", soffice is not None)
    if soffice is None:
        return
    with meter("do", RECORDS["do"]) as port:
        german = run("download", "--port", port, "--units", "mg/l", "--decimal-comma", "--encoding", "utf-8",
                     "--date-format", "dd.MM.yyyy", "--time-format", "HH:mm", "--delimiter", ";",
                     "--output", "semicolon.csv", "--format", "tab", "--output", "tab.tsv")
        plain = run("download", "--port", port, "--units", "mg/l", "--output", "book.xlsx", "--output", "book.csv")
    os.makedirs(WORK + "/profile/user")
    with open(WORK + "/profile/user/registrymodifications.xcu", "w") as settings:
        settings.write('<?xml version="1.0" encoding="UTF-8"?><oor:items xmlns:oor="http://openoffice.org/2001/registry">'
                       '<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse">'
                       '<value>de-DE</value></prop></item></oor:items>')
    for infilter, names in ((["--infilter=CSV:59/9,34,76,1,,1031"], ["semicolon.csv", "tab.tsv"]), ([], ["book.xlsx"])):
        subprocess.run([soffice, "--headless", "-env:UserInstallation=file://" + WORK + "/profile", *infilter,
                        "--convert-to", "fods", "--outdir", WORK + "/calc", *[WORK + "/" + n for n in names]],
                       capture_output=True, timeout=300,  # a home of its own: dconf writes to ~/.cache
                       env=dict(os.environ, HOME=WORK, XDG_CACHE_HOME=WORK + "/cache", XDG_CONFIG_HOME=WORK + "/config"))
    table = "{urn:oasis:names:tc:opendocument:xmlns:table:1.0}"
    office = "{urn:oasis:names:tc:opendocument:xmlns:office:1.0}"
    expected = [[("string", "Location"), ("string", "Time"), ("string", "D.O. (mg/l)"), ("string", "Temp (°C)")],
                [("string", "INLET"), ("date", "%d-01-01T00:05:00" % YEAR), ("float", "10"), ("float", "-5")],
                [("string", "POND A"), ("date", "%d-01-01T10:05:00" % YEAR), ("float", "4.3"), ("float", "12.5")]]
    csv = [line.split(",") for line in read("book.csv").decode("cp1252").splitlines()][:3]
    for name in ("semicolon", "tab", "book"):
        path = os.path.join(WORK, "calc", name + ".fods")
        sheet = ET.parse(path) if os.path.exists(path) else ET.ElementTree(ET.Element("nothing"))
        rows = [row.findall(table + "table-cell")[:4] for row in sheet.iter(table + "table-row")][:3]
        shown = [["".join(cell.itertext()).strip() for cell in row] for row in rows]
        typed = [[(cell.get(office + "value-type"), cell.get(office + "value") or cell.get(office + "date-value")
                   or text) for cell, text in zip(row, texts)] for row, texts in zip(rows, shown)]
        check("LibreOffice in German reads %s: numbers, date-times and the degree sign" % name,
              typed == expected and (name != "book" or [row[1] for row in shown] == [row[1] for row in csv]),
              repr((typed, shown, german[2], plain[2])))


try:
    for part in [calc_import] if CALC else [check_kinds, check_oxygen, check_kept_at_once, check_whole_files,
                                            check_damaged_kept, check_meter_problems, check_port_locks, check_history,
                                            check_alarms, check_mistakes, check_corrections,
                                            check_for_programs]:
        part()
finally:
    shutil.rmtree(WORK)
    if os.path.lexists(DEVICE):
        os.remove(DEVICE)
failed = results.count(False)
print("%d passed, %d failed" % (len(results) - failed, failed))
sys.exit(1 if failed else 0)
