#!/usr/bin/python3
"""Checks datapond-meter with a Modbus ASCII master that shares no code with Datapond.

Register and identification reads go through pymodbus's serial client with its ASCII framer;
frames pymodbus will not send (bad LRC, other addresses) and the fault modes go through a few
lines of raw serial I/O written from the Modbus serial line rules.

usage: /usr/bin/python3 modbus_master_check.py PATH/TO/datapond-meter
"""

import logging
import os
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time
import tty

try:
    from pymodbus.client import ModbusSerialClient
    from pymodbus.framer.ascii_framer import ModbusAsciiFramer
    from pymodbus.other_message import ReportSlaveIdRequest
except ImportError as error:  # Debian: python3-pymodbus
    print(f"FAIL: pymodbus is not available to {sys.executable}: {error}")
    print("0 passed, 1 failed")
    sys.exit(1)

METER = os.path.abspath(sys.argv[1]) if len(sys.argv) == 2 else sys.exit(__doc__)
START_WAIT = 10.0
REPLY_WAIT = 1.0
SILENCE_WAIT = 0.5
EMPTY = [0xFFFF]

passed = 0
failed = 0
unclean_stops = []


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print(f"PASS: {name}")
    else:
        failed += 1
        print(f"FAIL: {name}" + (f": {detail}" if detail else ""))


def lrc(data):
    return -sum(data) & 0xFF


def frame(data):
    return b":" + bytes(data).hex().upper().encode() + b"%02X\r\n" % lrc(data)


class Meter:
    """A datapond-meter process; always stopped on leaving the with block."""

    def __init__(self, *args):
        self.args = [METER, *args]
        self.process = None
        self.path = None
        self.stopped = False

    def __enter__(self):
        # stderr is left to the terminal so that sanitizer reports are seen.
        self.process = subprocess.Popen(self.args, stdout=subprocess.PIPE)
        ready, _, _ = select.select([self.process.stdout], [], [], START_WAIT)
        line = self.process.stdout.readline().decode().strip() if ready else ""
        if not line.startswith("/dev/"):
            self.stop()
            raise RuntimeError(f"{' '.join(self.args)} printed no terminal path (got {line!r})")
        self.path = line
        return self

    def stop(self):
        """Sends SIGTERM and returns the exit status (killing the process if it lingers)."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            if self.process.returncode != 0:
                unclean_stops.append((" ".join(self.args[1:]), self.process.returncode))
        elif not self.stopped:
            unclean_stops.append((" ".join(self.args[1:]), f"ended by itself with {self.process.returncode}"))
        self.stopped = True
        return self.process.returncode

    def __exit__(self, *exc):
        self.stop()
        return False


def frame_ended(text):
    """Noise before the ':' may hold CR LF of its own; only the CR LF after it ends the frame."""
    start = text.find(b":")
    return start >= 0 and b"\r\n" in text[start:]


class RawLine:
    """The meter's terminal opened as a raw 9600 8N1 line, for frames pymodbus will not send."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)
        attributes = termios.tcgetattr(self.fd)
        attributes[4] = attributes[5] = termios.B9600
        termios.tcsetattr(self.fd, termios.TCSANOW, attributes)

    def close(self):
        os.close(self.fd)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def read_reply(self, wait=REPLY_WAIT):
        """Everything up to the CR LF that ends a frame, or what came before the wait ran out."""
        received = b""
        deadline = time.monotonic() + wait
        while not frame_ended(received):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                break
            received += os.read(self.fd, 1024)
        return received

    def exchange(self, data, wait=REPLY_WAIT):
        """Sends a frame (bytes as given, or a message to frame) and returns the reply text."""
        os.write(self.fd, data if isinstance(data, bytes) else frame(data))
        return self.read_reply(wait)


def decode_reply(text):
    """Returns the reply's bytes without LRC, or None if it is not a well-formed frame."""
    text = text[text.find(b":"):] if b":" in text else b""
    if not text.endswith(b"\r\n") or len(text) % 2 != 1:
        return None
    try:
        data = bytes.fromhex(text[1:-2].decode())
    except ValueError:
        return None
    if len(data) < 3 or sum(data) & 0xFF:
        return None
    return list(data[:-1])


def client(path):
    modbus = ModbusSerialClient(path, framer=ModbusAsciiFramer, baudrate=9600, bytesize=8, parity="N",
                                stopbits=1, timeout=REPLY_WAIT, retries=0)
    if not modbus.connect():
        raise RuntimeError(f"pymodbus could not open {path}")
    return modbus


def read_registers(modbus, start, count):
    """The registers, or the exception code (an int), or None when nothing usable came back."""
    reply = modbus.read_input_registers(start, count, slave=1)
    if hasattr(reply, "registers"):
        return list(reply.registers)
    return getattr(reply, "exception_code", None)


def identify(modbus):
    """(function code, identification bytes) of the reply to Report Slave ID."""
    reply = modbus.execute(ReportSlaveIdRequest(unit=1))
    return getattr(reply, "function_code", None), bytes(getattr(reply, "identifier", b"") or b"")


# Records as someone might write them by hand: upper- and lower-case words, comments, a record
# given explicitly as empty; the meter serves them unchanged, valid or not.
MULTI_RECORDS = [
    [0x4142, 0x2031, 0x3220, 0x02BC, 0x00D2, 0x0001, 0xE240, 0x0026],
    [0x2041, 0x2020, 0x2020, 0xF830, 0xFFCE, 0x0000, 0x0000, 0x0226],
    None,
    [0x706F, 0x6E64, 0x2062, 0x0190, 0x03E8, 0x0006, 0x3D8C, 0x021E],
]
SS_RECORDS = [[0x494E, 0x4C45, 0x5420, 0x00D4, 0x0006, 0x3D8C], None, [0x4F55, 0x5446, 0x4C20, 0x0000, 0x0007, 0x0000]]


def records_text(records):
    lines = ["# written by modbus_master_check.py", ""]
    for number, record in enumerate(records):
        if record is None:
            lines.append(" ".join(["FFFF"] * len(records[0])))
        else:
            lines.append("  ".join("%04x" % word if number % 2 else "%04X" % word for word in record)
                         + f"   # record {number}")
    return "\n".join(lines) + "\n"


def check_records_file(directory):
    for kind, records, per_record, total in (("multi", MULTI_RECORDS, 8, 250), ("ss", SS_RECORDS, 6, 50)):
        path = os.path.join(directory, f"{kind}.records")
        with open(path, "w") as file:
            file.write(records_text(records))
        with Meter("--kind", kind, "--records", path) as meter:
            modbus = client(meter.path)
            try:
                for number, record in enumerate(records):
                    expected = record if record is not None else EMPTY * per_record
                    got = read_registers(modbus, number * per_record, per_record)
                    check(f"{kind} records file: record {number} reads as written", got == expected,
                          f"got {got}, expected {expected}")
                got = read_registers(modbus, 0, 2 * per_record)
                expected = records[0] + (records[1] or EMPTY * per_record)
                check(f"{kind} records file: two records in one read", got == expected, f"got {got}")
                for slot in (len(records), total - 1):
                    got = read_registers(modbus, slot * per_record, per_record)
                    check(f"{kind} records file: slot {slot} is empty", got == EMPTY * per_record, f"got {got}")
                for start, count in ((4, per_record), (0, per_record + 1), (total * per_record, per_record),
                                     ((total - 1) * per_record, 2 * per_record)):
                    got = read_registers(modbus, start, count)
                    check(f"{kind}: read of {count} registers from {start} is refused", got == 2,
                          f"got {got}, expected exception 2")
            finally:
                modbus.close()


def check_kinds():
    for kind, per_record, total, dissolved_oxygen, multi in (("do", 7, 50, True, False),
                                                             ("ss", 6, 50, False, False),
                                                             ("multi", 8, 250, False, True)):
        with Meter("--kind", kind) as meter:
            modbus = client(meter.path)
            try:
                function, data = identify(modbus)
                check(f"{kind}: Report Slave ID gives 6 bytes", function == 0x11 and len(data) == 6,
                      f"function {function}, data {data.hex()}")
                if len(data) == 6:
                    check(f"{kind}: data byte 1 is 30 only for dissolved oxygen", (data[0] == 30) == dissolved_oxygen,
                          f"data byte 1 = {data[0]}")
                    check(f"{kind}: data byte 6 is 90 or more only for multiparameter", (data[5] >= 90) == multi,
                          f"data byte 6 = {data[5]}")
                # Whole records, as many as fit in one read (at most 125 registers).
                step = 125 // per_record
                registers = []
                for first in range(0, total, step):
                    count = min(step, total - first) * per_record
                    got = read_registers(modbus, first * per_record, count)
                    if not isinstance(got, list) or len(got) != count:
                        registers = None
                        check(f"{kind}: demo log reads completely", False, f"records from {first}: {got}")
                        break
                    registers += got
                if registers is not None:
                    records = [registers[i:i + per_record] for i in range(0, len(registers), per_record)]
                    used = [r for r in records if r != EMPTY * per_record]
                    check(f"{kind}: demo log holds used and empty slots",
                          0 < len(used) < total and records[-1] == EMPTY * per_record,
                          f"{len(used)} of {total} used")
                    if multi:
                        types = {r[7] for r in used}
                        check("multi: demo log holds all eight reading types",
                              {30, 286, 542, 34, 35, 38, 294, 550} <= types, f"types {sorted(types)}")
                if kind == "ss":
                    got = read_registers(modbus, 0, 7)
                    check("ss: 7 registers of record 0 are refused", isinstance(got, int), f"got {got}")
            finally:
                modbus.close()

    with Meter("--kind", "do", "--no-identify") as meter:
        modbus = client(meter.path)
        try:
            reply = modbus.execute(ReportSlaveIdRequest(unit=1))
            check("--no-identify: Report Slave ID gives exception 0x91 code 1",
                  getattr(reply, "function_code", None) == 0x91 and getattr(reply, "exception_code", None) == 1,
                  str(reply))
            got = read_registers(modbus, 0, 7)
            check("--no-identify: records still read", isinstance(got, list) and len(got) == 7, f"got {got}")
        finally:
            modbus.close()


def check_raw_frames():
    identify_reply = [1, 0x11, 6]
    with Meter("--kind", "do") as meter, RawLine(meter.path) as line:
        for name, request in (("a request with a bad LRC", b":0111EF\r\n"),
                              ("a request for slave 2", frame([2, 0x11])),
                              ("a broadcast", frame([0, 4, 0, 0, 0, 7]))):
            got = line.exchange(request, SILENCE_WAIT)
            check(f"{name} gets no reply", got == b"", f"got {got!r}")
        os.write(line.fd, b":" + b"0" * 5000 + b"\r\n" + bytes(range(256)) * 8)
        line.read_reply(SILENCE_WAIT)
        got = decode_reply(line.exchange(b":0104:0111ee\r\n"))
        check("after an overlong frame and noise, a restarted lower-case frame is answered",
              got is not None and got[:3] == identify_reply, f"got {got}")
        status = meter.stop()
        check("SIGTERM ends the meter with status 0", status == 0, f"status {status}")


def replies(args, count, wait=REPLY_WAIT):
    """Sends `count` identification requests to a meter started with args; returns the raw replies."""
    with Meter("--kind", "do", *args) as meter, RawLine(meter.path) as line:
        return [line.exchange(frame([1, 0x11]), wait) for _ in range(count)]


def check_faults(directory):
    good = [1, 0x11, 6]
    got = replies(["--silent"], 2, SILENCE_WAIT)
    check("--silent never answers", got == [b"", b""], f"got {got}")

    got = [decode_reply(r) for r in replies(["--stop-after", "2"], 4, SILENCE_WAIT)]
    check("--stop-after 2 answers two requests, then none",
          [r is not None and r[:3] == good for r in got] == [True, True, False, False], f"got {got}")

    got = replies(["--garbage"], 3)
    check("--garbage sends noise, never ':', before a good reply",
          all(r.find(b":") > 0 and r.count(b":") == 1 and (decode_reply(r) or [])[:3] == good for r in got),
          f"got {got}")

    got = [decode_reply(r) for r in replies(["--bad-lrc", "2"], 3)]
    check("--bad-lrc 2 spoils the LRC of reply 2 only",
          got[0] is not None and got[1] is None and got[2] is not None, f"got {got}")

    for args in (["--slow", "20"], ["--pace"], ["--pace", "--slow", "5", "--garbage"]):
        got = replies(args, 1, 5.0)
        check(f"{' '.join(args)}: the reply arrives whole", (decode_reply(got[0]) or [])[:3] == good, f"got {got}")

    link = os.path.join(directory, "meter-link")
    os.symlink("/nonexistent", link)
    with Meter("--link", link) as meter:
        target = os.readlink(link) if os.path.islink(link) else None
        check("--link points at the terminal, replacing an old link", target == meter.path, f"link -> {target}")
        meter.stop()
        check("--link is removed when the meter stops", not os.path.lexists(link))

    bad = os.path.join(directory, "bad.records")
    with open(bad, "w") as file:
        file.write("# header\n0 0 0 0 0 0 0\n0 0 0 0 0 0\n")
    result = subprocess.run([METER, "--kind", "do", "--records", bad], capture_output=True, timeout=START_WAIT)
    check("a short record line is refused with file and line",
          result.returncode == 2 and f"{bad}:3" in result.stderr.decode() and result.stdout == b"",
          f"status {result.returncode}, stderr {result.stderr!r}")
    result = subprocess.run([METER, "--kind", "pond"], capture_output=True, timeout=START_WAIT)
    check("a bad option exits with status 2", result.returncode == 2 and result.stdout == b"",
          f"status {result.returncode}")


def main():
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    with tempfile.TemporaryDirectory() as directory:
        for name, group in (("records file", lambda: check_records_file(directory)), ("kinds", check_kinds),
                            ("raw frames", check_raw_frames), ("faults", lambda: check_faults(directory))):
            try:
                group()
            except Exception as error:  # one broken group must not hide the others' results
                check(f"{name} checks ran to the end", False, repr(error))
    check("every meter stopped on SIGTERM with status 0", not unclean_stops, f"{unclean_stops}")
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
