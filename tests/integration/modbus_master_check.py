#!/usr/bin/python3
# Reads datapond-meter with pymodbus, a Modbus ASCII master that shares no code with Datapond:
# a wrong register, a wrong LRC (pymodbus drops such replies) or a wrong exception fails a check.
#
# usage: /usr/bin/python3 modbus_master_check.py PATH/TO/datapond-meter
import logging
import os
import re
import select
import subprocess
import sys
import tempfile
import tty

from pymodbus.client import ModbusSerialClient
from pymodbus.framer.ascii_framer import ModbusAsciiFramer
from pymodbus.other_message import ReportSlaveIdRequest

METER = sys.argv[1]
failed = 0


def check(name, got, expected):
    global failed
    failed += got != expected
    print(("ok   " if got == expected else "FAIL ") + name + ("" if got == expected else f": {got}, not {expected}"))


def registers(modbus, start, count):  # the registers read, or the exception code
    reply = modbus.read_input_registers(start, count, slave=1)
    return list(reply.registers) if hasattr(reply, "registers") else getattr(reply, "exception_code", reply)


logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
with tempfile.TemporaryDirectory() as directory:
    link, records = os.path.join(directory, "port"), os.path.join(directory, "records")
    # The identification: its function or exception, its length, a dissolved-oxygen meter's first
    # byte, and the multiparameter meter's last.
    for kind, size, slots, options, identity in (("do", 7, 50, [], (0x11, 6, True, False)),
                                                 ("ss", 6, 50, [], (0x11, 6, False, False)),
                                                 ("multi", 8, 250, [], (0x11, 6, False, True)),
                                                 ("ss", 6, 50, ["--no-identify"], (0x91, 1, False, False))):
        first = [0x4142 + 0x101 * i for i in range(size)]
        third = [0x2000 + size * 16 + i for i in range(size)]
        with open(records, "w") as file:
            file.write("# by hand\n" + " ".join("%04x" % w for w in first) + "\n" + "FFFF " * size
                       + "\n" + " ".join("%04X" % w for w in third) + "  # third\n")
        os.symlink("/nonexistent", link)  # a stale link, which --link replaces
        process = subprocess.Popen([METER, "--kind", kind, "--records", records, "--link", link, *options],
                                   stdout=subprocess.PIPE)
        path = process.stdout.readline().decode().strip()
        name = " ".join([kind, *options])
        modbus = ModbusSerialClient(link, framer=ModbusAsciiFramer, baudrate=9600, timeout=1, retries=0)
        modbus.connect()
        reply = modbus.execute(ReportSlaveIdRequest(unit=1))
        data = bytes(getattr(reply, "identifier", b"") or b"")
        function, code = getattr(reply, "function_code", None), getattr(reply, "exception_code", len(data))
        check(name + ": identifies", (function, code, data[:1] == b"\x1e", data[5:] >= b"\x5a"), identity)
        check(name + ": three records in one read", registers(modbus, 0, 3 * size), first + [0xFFFF] * size + third)
        check(name + ": the last slot", registers(modbus, (slots - 1) * size, size), [0xFFFF] * size)
        for start, count in ((size, size + 1), (slots * size, size), (1, size)):
            check(f"{name}: {count} registers from {start} refused", registers(modbus, start, count), 2)
        modbus.close()
        linked = os.readlink(link)  # before the meter is told to stop, as it then removes the link
        process.terminate()
        check(name + ": --link, gone after SIGTERM", (linked, process.wait(5), os.path.lexists(link)),
              (path, 0, False))

    # The faults the serial tests rely on are really sent: noise before each reply, a wrong LRC
    # on the second reply only. Read raw, as no master would pass them on.
    for options, expected in ((["--garbage"], [(True, True)] * 2), (["--bad-lrc", "2"], [(False, True), (False, False)])):
        process = subprocess.Popen([METER, "--kind", "do", *options], stdout=subprocess.PIPE)
        port = os.open(process.stdout.readline().decode().strip(), os.O_RDWR | os.O_NOCTTY)
        tty.setraw(port)
        replies = []
        for _ in expected:
            os.write(port, b":0111EE\r\n")
            reply = b""
            while not re.search(rb":[0-9A-F]*\r\n$", reply) and select.select([port], [], [], 5)[0]:
                reply += os.read(port, 1)
            frame = bytes.fromhex(reply[reply.rfind(b":") + 1:-2].decode() or "01")
            replies.append((not reply.startswith(b":"), sum(frame) % 256 == 0))
        check(" ".join(options) + ": noise before the ':', LRC right", replies, expected)
        os.close(port)
        process.terminate()
        process.wait(5)

    with open(records, "w") as file:
        file.write("0 0 0\n")
    for args in (["--kind", "pond"], ["--records", records]):
        result = subprocess.run([METER, *args], capture_output=True, timeout=10)
        check(f"{args}: refused", (result.returncode, result.stdout), (2, b""))
print(f"{failed} failed")
sys.exit(1 if failed else 0)
