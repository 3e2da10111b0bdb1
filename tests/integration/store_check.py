#!/usr/bin/python3
# The shared store against a real PostgreSQL server, made for this run with initdb and started
# with pg_ctl on a socket in a temporary folder, by an unprivileged user when run as root (the
# server refuses root), and removed at the end whatever happens. The folder is not in the build
# tree, which that user may not reach and whose path may be too long for a socket's name.
#
# usage: store_check.py DATAPOND_CLI DATAPOND_METER
import atexit
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CLI, METER = sys.argv[1], sys.argv[2]
BIN = subprocess.run(["pg_config", "--bindir"], capture_output=True, text=True).stdout.strip()
if not os.path.exists(os.path.join(BIN, "initdb")):
    print("SKIPPED: no PostgreSQL server (scripts/setup installs it)")
    sys.exit(77)
WORK = tempfile.mkdtemp(prefix="datapond-store-check-")
AS = ("setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups") if os.geteuid() == 0 else ()
DATA, ADMIN = os.path.join(WORK, "data"), "datapond_admin"
STORE = "host=%s user=%s dbname=plant" % (WORK, ADMIN)
os.environ.update(DATAPOND_STORE="", PGHOST=WORK, PGDATABASE="plant", PGUSER=ADMIN)
results = []


def check(name, condition, detail=""):
    results.append(bool(condition))
    print(("ok   " if condition else "FAIL ") + name + ("" if condition else ": " + str(detail)))


def server(action, *options):
    return subprocess.run([*AS, os.path.join(BIN, "pg_ctl"), "-D", DATA, "-l", os.path.join(WORK, "log"),
                           "-o", "-k %s -c listen_addresses=''" % WORK, "-w", *options, action],
                          capture_output=True).returncode


def stop():
    server("stop", "-m", "immediate")
    shutil.rmtree(WORK, ignore_errors=True)


def sql(query, user=ADMIN, database="plant"):
    done = subprocess.run(["psql", "-XAtq", "-U", user, "-d", database, "-v", "ON_ERROR_STOP=1", "-c", query],
                          capture_output=True, text=True)
    return done.stdout.strip() if done.returncode == 0 else "ERROR " + done.stderr.strip()


def run(*args, env=None, stdout=False):
    done = subprocess.run([CLI, *args], capture_output=True, text=True, timeout=300, env=env)
    return (done.returncode, done.stderr, done.stdout) if stdout else (done.returncode, done.stderr)


def synced(folder, store=STORE):
    return run("sync", "--archive", folder, "--store", store)


# A kept download, its records given as registers (the meter's slots after them empty).
def kept(path, moment, records, meter="multi", units="none"):
    slots, size = {"multi": (250, 8), "do": (50, 7), "ss": (50, 6)}[meter]
    records = records + [[0xFFFF] * size] * (slots - len(records))
    lines = ["Datapond kept download, format 1", "meter: " + meter, "kind told by: identification",
             "port: /dev/ttyUSB0", "downloaded: %s +01:00" % moment, "units: " + units,
             "records: %d of %d registers" % (slots, size)] + ["%3d: %s" % (r, " ".join("%04X" % w for w in words))
                                                               for r, words in enumerate(records)]
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, moment.replace("-", "").replace(":", "").replace(" ", "-") + "-1.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


# One of 8 locations, its value, temperature and minutes in the year; pH by default.
def record(j, meter="multi", code=0x26):
    minutes = (j * 37) % 525000
    words = [0x4C30 + j % 8, 0x2020, 0x2020, 700 + j % 90] + ([150 + j % 100] if meter != "ss" else [])
    return words + [minutes >> 16, minutes & 0xFFFF] + ([code] if meter == "multi" else [])


# Multiparameter downloads k of `first` to `last`, half of each one's records its predecessor's.
def folder(name, first, last):
    path = os.path.join(WORK, name)
    for k in range(first, last):
        kept(path, "2026-12-07 %02d:%02d:%02d" % (k // 3600, k // 60 % 60, k % 60),
             [record(k * 125 + r) for r in range(250)])
    return path


# Whole downloads only: each with all its records and its readings decoded.
def whole(database="plant"):
    return sql("SELECT count(*) FROM datapond.download d WHERE (SELECT count(*) FROM datapond.record r "
               "WHERE r.download = d.id) <> 250 OR NOT EXISTS (SELECT FROM datapond.decoding x WHERE x.download = d.id)",
               database=database)


def held(database="plant"):
    count = sql("SELECT count(*) FROM datapond.download", database=database)
    return int(count) if count.isdigit() else 0


# A sync of the folder stopped once it has stored some downloads; what it says.
def stopped(path, database, stop):
    before = held(database)
    sync = subprocess.Popen([CLI, "sync", "--archive", path, "--store", STORE.replace("plant", database)],
                            stderr=subprocess.PIPE, text=True)
    while held(database) == before and sync.poll() is None:
        time.sleep(0.02)
    stop(sync)
    err = sync.communicate(timeout=120)[1]
    return sync.returncode, err


def check_sync():
    a = folder("a", 0, 40)
    status, err = synced(a)
    check("a first sync adds every download", status == 0 and "40 downloads added, 0 were there already" in err, err)
    status, err = synced(a)
    check("a second adds none", status == 0 and "0 downloads added, 40 were there already" in err, err)
    # A correction that cannot hold leaves its download out, as the folder's history does.
    kept(a, "2026-12-08 08:00:00", [record(j, "ss") for j in range(50)], "ss")
    with open(os.path.join(a, "corrections.txt"), "w") as log:
        log.write("Datapond corrections, format 1\n2026-12-08 09:00:00 +01:00\t20261208-080000-1\tunits\tnone\tsat\n")
    status, err = synced(a)
    check("a download whose correction cannot hold is left out", status == 6 and "has none" in err and held() == 40, err)
    os.remove(os.path.join(a, "corrections.txt"))
    # Two laptops at once, twenty downloads in both folders.
    c, d = folder("c", 100, 160), folder("d", 130, 190)
    both = [subprocess.Popen([CLI, "sync", "--archive", f, "--store", STORE], stderr=subprocess.PIPE, text=True)
            for f in (c, d)]
    said = [p.communicate(timeout=300)[1] for p in both]
    added = sum(int(s.split(": ")[-1].split()[0]) for s in said)
    check("two syncs at once store each download once", [p.returncode for p in both] == [0, 0] and added == 90
          and held() == 130 and whole() == "0", said)
    # Stopped at any moment, by the server killed or at the keyboard: the sync says so, what it
    # stored is whole, and the next one completes it.
    e = folder("e", 200, 700)
    sql("CREATE DATABASE other")
    for database, stop, ends in (("plant", lambda _: server("stop", "-m", "immediate"), 7),
                                 ("other", lambda sync: sync.send_signal(signal.SIGINT), -signal.SIGINT)):
        before = held(database)
        status, err = stopped(e, database, stop)
        server("start")
        part = held(database)
        check("%s: a sync stopped ends so, its downloads whole" % database,
              status == ends and whole(database) == "0" and before < part < before + 500, (status, part, err))
        status, err = synced(e, STORE.replace("plant", database))
        check("%s: the next sync completes it" % database, status == 0 and whole(database) == "0" and
              held(database) == before + 500 and "%d downloads added" % (before + 500 - part) in err, err)


# The store's history and report are the folder's, byte for byte: every kind of meter, a record
# kept again a year later, readings held twice, units given and mended, a date mended, filters.
def check_same_as_folder():
    t, same = os.path.join(WORK, "t"), STORE.replace("plant", "same")
    sql("CREATE DATABASE same")
    kept(t, "2025-12-22 10:00:00", [record(j) for j in range(30)] + [record(0)] * 2)
    kept(t, "2026-12-28 09:00:00", [record(j) for j in range(15, 45)] + [record(0)] * 3)
    kept(t, "2026-12-29 09:00:00", [record(j, code=c) for j in range(5) for c in (0x22, 0x23, 0x126, 0x226)])
    for moment, units in (("2026-12-01 08:00:00", "mg/l"), ("2026-12-02 08:00:00", "none"), ("2026-12-03 08:00:00", "none"),
                          ("2026-12-05 08:00:00", "none")):
        kept(t, moment, [record(j, "do") for j in range(40)], "do", units)
    kept(t, "2026-12-04 08:00:00", [record(j, "ss") for j in range(50)], "ss")
    kept(t, "2026-06-04 08:00:00", [record(j) for j in range(100, 120)])
    fixes = (("20261203-080000-1", "--units", "sat"), ("20260604-080000-1", "--downloaded", "2025-06-04"))
    status = [run("correct", i, option, value, "--archive", t)[0] for i, option, value in fixes] + [synced(t, same)[0]]
    check("the folder of every case is synced", status == [0, 0, 0], status)
    # Mended after the sync: the next one takes the correction and decodes the download anew.
    mended = [run("correct", "20261229-090000-1", "--downloaded", "2026-02-01", "--archive", t)[0], *synced(t, same)]
    made = sql("SELECT count(*) FROM datapond.correction WHERE made !~ ' [+-][0-9][0-9]:[0-9][0-9]$'", database="same")
    check("a correction of a download in the store is synced, as the log wrote it", mended[:2] == [0, 0] and
          "0 downloads added, 9 were there already; 1 correction added" in mended[2] and made == "0", (mended, made))
    limits = os.path.join(WORK, "limits.txt")
    with open(limits, "w") as f:
        f.write("ph: below 7, above 7.5\ndo-mgl: below 3\nss-low at L1: above 1\n")
    differ, alarmed = [], 0
    for options in ([], ["--units", "mg/l"], ["--location", "l1", "--location", "L2"], ["--type", "ph", "--type", "do-sat"],
                    ["--since", "2026-01-01", "--until", "2026-06-30"], ["--sort", "type-location-time"], ["--sort", "time"]):
        for kind in ("text", "csv", "tab", "xls", "xlsx", "html"):
            outputs = {}
            for where in (["--archive", t], ["--store", same]):
                name = os.path.join(WORK, "out." + kind)
                command = ["report", "--limits", limits] if kind == "html" else ["history", "--format", kind]
                status, err = run(*command, *options, *where, "--output", name)
                outputs[where[0]] = (status, err.replace("Saved " + name, ""), open(name, "rb").read())
            if outputs["--archive"] != outputs["--store"]:
                differ.append((options, kind, outputs["--archive"][:2], outputs["--store"][:2]))
        if "--sort" in options:
            continue
        said = [run("alarms", *options, *where, "--limits", limits, stdout=True) for where in (["--archive", t],
                                                                                            ["--store", same])]
        alarmed += said[0][0] == 8
        if said[0] != said[1]:
            differ.append((options, "alarms", said))
    check("history, report and alarms from the store are the folder's", not differ and alarmed >= 3,
          (differ, alarmed))
    readings = run("history", "--store", same, "--output", os.path.join(WORK, "h.csv"))[1].split(" readings from")[0]
    readings = readings.split()[-1]
    views = sql("SELECT sum(copies) FROM datapond.every_reading", "viewer", "same") + " " + sql(
        "SELECT sum(readings) = (SELECT count(*) FROM datapond.every_reading) FROM datapond.daily", "viewer", "same")
    check("the views hold the history's readings, each once", views == readings + " t", (views, readings))


def check_roles_and_versions():
    sql("CREATE ROLE laptop LOGIN IN ROLE datapond_writer; CREATE ROLE viewer LOGIN IN ROLE datapond_reader")
    f = folder("f", 900, 905)
    status, err = synced(f, STORE.replace(ADMIN, "laptop"))
    check("a writer syncs", status == 0 and "5 downloads added" in err, err)
    denied = {(user, verb): "permission denied" in sql(query, user) for user in ("laptop", "viewer") for verb, query in (
        ("update", "UPDATE datapond.download SET units = 'sat'"), ("delete", "DELETE FROM datapond.correction"),
        ("insert", "INSERT INTO datapond.download (checksum, kept, kept_as, meter, downloaded, units) "
                   "VALUES ('x', '', '', '', '', '')"),
        ("select", "SELECT count(*) FROM datapond.reading"))}
    check("writers add and read, readers only read, neither changes or deletes", denied == {
        ("laptop", "update"): True, ("laptop", "delete"): True, ("laptop", "insert"): False,
        ("laptop", "select"): False, ("viewer", "update"): True, ("viewer", "delete"): True,
        ("viewer", "insert"): True, ("viewer", "select"): False}, denied)
    status, err = synced(folder("h", 960, 961), STORE.replace(ADMIN, "viewer"))
    check("a reader cannot sync", status == 7 and "permission denied" in err, err)
    sql("CREATE DATABASE newer")
    sql("CREATE SCHEMA datapond; CREATE TABLE datapond.migration (version int, name text); "
        "INSERT INTO datapond.migration VALUES (99, 'later')", database="newer")
    status, err = synced(f, STORE.replace("plant", "newer"))
    check("a store of a newer Datapond is left alone", status == 7 and "version 99, made by a newer Datapond" in err, err)
    sql("CREATE DATABASE older")
    first = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../store/migrations/0001_downloads.sql")
    sql(open(first).read() + "; INSERT INTO datapond.migration VALUES (1, '0001_downloads.sql')", database="older")
    status, err = synced(f, STORE.replace("plant", "older"))
    check("a store of version 1 is upgraded", status == 0 and sql("SELECT max(version) FROM datapond.migration",
                                                                  database="older") == "2", err)


def check_credentials_and_download():
    sql("CREATE ROLE keeper LOGIN PASSWORD 'Secret-pw1' IN ROLE datapond_writer")
    with open(os.path.join(DATA, "pg_hba.conf"), "r+") as hba:
        rules = hba.read()
        hba.seek(0)
        hba.write("local all keeper scram-sha-256\n" + rules)
    subprocess.run([*AS, os.path.join(BIN, "pg_ctl"), "-D", DATA, "reload"], capture_output=True)
    f, keeper = folder("g", 950, 951), STORE.replace(ADMIN, "keeper")
    status, err = run("sync", "--archive", f, "--store", keeper + " password=Secret-pw1")
    check("a password on the command line is refused unsaid", status == 2 and "Secret" not in err, err)
    status, err = run("sync", "--archive", f, "--store", keeper, env=dict(os.environ, PGPASSWORD="Wrong-pw2"))
    check("a wrong password is not shown", status == 7 and "Wrong" not in err and "keeper" in err, err)
    passfile = os.path.join(WORK, "pgpass")
    with open(passfile, "w") as p:
        p.write("*:*:*:keeper:Secret-pw1\n")
    os.chmod(passfile, 0o600)
    status, err = run("sync", "--archive", f, "--store", keeper, env=dict(os.environ, PGPASSFILE=passfile))
    check("a password file is used", status == 0 and "1 download added" in err, err)
    # A download whose store is down is kept and saved; the next sync carries it.
    kept = os.path.join(WORK, "kept")
    meter = subprocess.Popen([METER, "--kind", "ss"], stdout=subprocess.PIPE, text=True)
    try:
        port = meter.stdout.readline().strip()
        down = "host=%s/none user=%s dbname=plant" % (WORK, ADMIN)
        status, err = run("download", "--port", port, "--archive", kept, "--output", os.path.join(WORK, "d.csv"),
                          "--store", down)
    finally:
        meter.terminate()
        meter.wait()
    check("a download beside an unreachable store is kept and saved, status 7",
          status == 7 and os.path.exists(os.path.join(WORK, "d.csv")) and "the next sync will carry it" in err, err)
    status, err = run("history", "--store", down)
    check("a history of an unreachable store says so, status 7", status == 7 and "could not be reached" in err, err)
    status, err = synced(kept)
    check("and the next sync carries it", status == 0 and "1 download added" in err, err)


os.chmod(WORK, 0o777)
subprocess.run([*AS, os.path.join(BIN, "initdb"), "-D", DATA, "-U", ADMIN, "--auth=trust", "-E", "UTF8", "--locale=C"],
               capture_output=True, check=True)
atexit.register(stop)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
server("start")
sql("CREATE DATABASE plant", database="postgres")
for group in (check_sync, check_roles_and_versions, check_same_as_folder, check_credentials_and_download):
    group()
print("%d passed, %d failed" % (results.count(True), results.count(False)))
sys.exit(0 if all(results) else 1)
