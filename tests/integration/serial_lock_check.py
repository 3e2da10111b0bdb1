#!/usr/bin/python3
# datapond-cli shares serial ports as Linux serial programs do: a port locked by flock, a live
# UUCP lock file or exclusive mode is refused naming the holder, and `ports` calls it busy; one
# merely held open, here behind a socat bridge, is used, again and again; `ports` changes no
# setting of any device. It runs as nobody, since root passes another's exclusive mode.
#
# usage: serial_lock_check.py DATAPOND_CLI DATAPOND_METER
import contextlib
import fcntl
import os
import shutil
import subprocess
import sys
import tempfile
import termios

CLI, METER = sys.argv[1], sys.argv[2]
NOBODY = ("setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups")
LOCKS = next((d for d in ("/run/lock", "/var/lock") if os.path.isdir(d) and os.stat(d).st_mode & 0o002), "")
ME, GONE = os.getpid(), int(subprocess.run(["sh", "-c", "echo $$"], capture_output=True).stdout)
DEVICE = "/dev/ttyUSBdatapondtest"  # `ports` looks only at serial-looking names in /dev
WORK = tempfile.mkdtemp(prefix="datapond-lock-check-")
os.environ["DATAPOND_ARCHIVE"] = os.path.join(WORK, "kept")  # never the user's own
results = []


def check(name, condition, detail=""):
    results.append(bool(condition))
    print(("ok   " if condition else "FAIL ") + name + ("" if condition else ": " + detail))


# A program of nobody's, from the line where it said `ready` until the test is done with it.
@contextlib.contextmanager
def started(*command, ready):
    process = subprocess.Popen([*NOBODY, *command], cwd=WORK, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        while ready not in (line := process.stdout.readline()) and line:
            pass
        yield process, line.decode().strip()
    finally:
        process.terminate()
        process.wait(timeout=60)


def run(*args, user=NOBODY):
    done = subprocess.run([*user, CLI, *args], cwd=WORK, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


def lock_file(port):
    device = os.stat(port).st_rdev
    return os.path.join(LOCKS, "LCK.%d.%d" % (os.major(device), os.minor(device)))


def stty(*settings):
    return subprocess.run(["stty", "-F", DEVICE, *settings], capture_output=True, check=True).stdout


# The port as another program leaves it while datapond-cli runs; lock files as another user's.
@contextlib.contextmanager
def held(how, port):
    fd, lock = os.open(port, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK), lock_file(port)
    try:
        if how == "under flock":
            fcntl.flock(fd, fcntl.LOCK_EX)
        if how == "in exclusive mode":
            fcntl.ioctl(fd, termios.TIOCEXCL)
        if "lock file" in how:
            subprocess.run([*NOBODY, "sh", "-c", "printf '%%10d\\n' %d > %s" % (GONE if "stale" in how else ME, lock)])
        yield
    finally:
        if how == "in exclusive mode":
            fcntl.ioctl(fd, termios.TIOCNXCL)
        os.close(fd)
        with contextlib.suppress(FileNotFoundError):
            os.remove(lock)


# Each way of holding a port, seen by `ports` (as root, at 38400 in cooked mode) and then by a
# download; a port left locked would fail the rows after it, and a stale lock file stays unless
# it was taken over and removed.
def check_holds():
    bridge = os.path.join(WORK, "bridge")
    with started(METER, "--kind", "ss", ready=b"/dev/") as (_, port), \
            started("socat", "-d", "-d", "pty,link=" + bridge, "file:" + port, ready=b"transfer loop"):
        os.symlink(os.path.realpath(bridge), DEVICE)
        for how, busy in (("held open", ""), ("held open", ""), ("under flock", "locked by process %d (" % ME),
                          ("with a lock file", "locked by process %d (" % ME), ("with a stale lock file", ""),
                          ("in exclusive mode", "in exclusive use by ")):
            before = stty("38400", "cooked") + stty("-a")
            with held(how, bridge):
                _, listed, said = run("ports", user=())
                after = stty("-a")
                status, out, err = run("download", "--port", bridge, "--format", "tab")
            told = "%s is busy: %s" % (DEVICE, busy) in said if busy else not os.path.exists(lock_file(bridge))
            done = status == 1 and bridge + ": " + busy in err if busy else status == 0
            check("a port %s: %s; ports changes no setting" % (how, "busy, refused" if busy else "listed, used, let go"),
                  before == after and (DEVICE.encode() in listed.split()) != bool(busy) and told and done,
                  repr((listed, said, err, after)))


try:
    if os.getuid() != 0 or not LOCKS:
        print("skip all: needs root, to run datapond-cli as nobody and add to /dev, and a lock folder all may write")
    else:
        os.chmod(WORK, 0o777)  # for nobody's defaults file and kept downloads
        check_holds()
finally:
    shutil.rmtree(WORK)
    if os.path.lexists(DEVICE):
        os.remove(DEVICE)
failed = results.count(False)
print("%d passed, %d failed" % (len(results) - failed, failed))
sys.exit(1 if failed else 0)
