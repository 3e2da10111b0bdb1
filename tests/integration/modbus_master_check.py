#!/usr/bin/python3
"""Reads datapond-meter with pymodbus, a Modbus ASCII master that shares no code with Datapond:
a wrong register, a wrong LRC (pymodbus drops such replies) or a wrong exception fails a check.

usage: /usr/bin/python3 modbus_master_check.py PATH/TO/datapond-meter
"""

import logging
import os
import subprocess
import sys
import tempfile

from pymodbus.client import ModbusSerialClient
from pymodbus.framer.ascii_framer import ModbusAsciiFramer
from pymodbus.other_message import ReportSlaveIdRequest

METER = sys.argv[1]
failed = 0


def check(name, got, expected):
    global failed
    failed += got != expected
    print(f"{'PASS' if got == expected else 'FAIL'}: {name}" + ("" if got == expected else f": got {got}, expected {expected}"))


def run_meter(port, *args):
    process = subprocess.Popen([METER, *args], stdout=subprocess.PIPE)
    path = process.stdout.readline().decode().strip()
    modbus = ModbusSerialClient(port or path, framer=ModbusAsciiFramer, baudrate=9600, timeout=1, retries=0)
    modbus.connect()
    return process, modbus, path


def stop(process, modbus):
    modbus.close()
    process.terminate()
    return process.wait(5)


def registers(modbus, start, count):
    """The registers read, or the exception code."""
    reply = modbus.read_input_registers(start, count, slave=1)
    return list(reply.registers) if hasattr(reply, "registers") else getattr(reply, "exception_code", reply)


def identify(modbus):
    reply = modbus.execute(ReportSlaveIdRequest(unit=1))
    return (getattr(reply, "function_code", None), getattr(reply, "exception_code", None),
            bytes(getattr(reply, "identifier", b"") or b""))


def main():
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    with tempfile.TemporaryDirectory() as directory:
        link = os.path.join(directory, "port")
        os.symlink("/nonexistent", link)
        for kind, size, slots in (("do", 7, 50), ("ss", 6, 50), ("multi", 8, 250)):
            first = [0x4142 + 0x101 * i for i in range(size)]
            third = [0x2000 + size * 16 + i for i in range(size)]
            records = os.path.join(directory, kind)
            with open(records, "w") as file:
                file.write("# by hand\n" + " ".join("%04x" % w for w in first) + "\n" + "FFFF " * size
                           + "\n" + " ".join("%04X" % w for w in third) + "  # third\n")
            # Through the link, which replaces an old one.
            process, modbus, path = run_meter(link, "--kind", kind, "--records", records, "--link", link)
            function, _, data = identify(modbus)
            check(f"{kind}: identifies", (function, len(data), data[:1] == b"\x1e", data[5:] >= b"\x5a"),
                  (0x11, 6, kind == "do", kind == "multi"))
            check(f"{kind}: three records in one read", registers(modbus, 0, 3 * size),
                  first + [0xFFFF] * size + third)
            check(f"{kind}: the last slot", registers(modbus, (slots - 1) * size, size), [0xFFFF] * size)
            for start, count in ((size, size + 1), (slots * size, size), (1, size)):
                check(f"{kind}: {count} registers from {start} refused", registers(modbus, start, count), 2)
            check(f"{kind}: --link, gone after SIGTERM", (os.readlink(link), stop(process, modbus), os.path.lexists(link)),
                  (path, 0, False))
            os.symlink("/nonexistent", link)

        process, modbus, _ = run_meter(None, "--kind", "ss", "--no-identify")
        check("--no-identify: exception 1", identify(modbus)[:2], (0x91, 1))
        check("--no-identify: records still read", len(registers(modbus, 0, 6)), 6)
        check("--no-identify: stops on SIGTERM", stop(process, modbus), 0)

        with open(records, "w") as file:
            file.write("0 0 0\n")
        for args in (["--kind", "pond"], ["--records", records]):
            result = subprocess.run([METER, *args], capture_output=True, timeout=10)
            check(f"{args}: refused", (result.returncode, result.stdout), (2, b""))
    print(f"{failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
