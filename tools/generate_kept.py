#!/usr/bin/python3
# N kept downloads of a full multiparameter meter, weekly: each still holds half of the
# readings of the one before, so a history must drop 125 of every 250. Beside them, FOLDER.csv:
# the same readings as one CSV file of their fields, a line a record, the download's number first.
#
# usage: generate_kept.py FOLDER COUNT
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
types = ((0x26, 700, 90), (0x126, -150, 40), (0x23, 1200, 900), (0x22, 150, 100))  # pH, ORP, SS-Hi, SS-Low
fields = open(folder + ".csv", "w")
fields.write("download,location,minutes,type,value,temperature\n")
for k in range(count):
    lines = ["Datapond kept download, format 1", "meter: multi", "kind told by: identification",
             "port: /dev/ttyUSB0", "downloaded: 2026-12-07 %02d:%02d:%02d +01:00" % (k // 3600, k // 60 % 60, k % 60),
             "units: none", "records: 250 of 8 registers"]
    for r in range(250):
        j = k * 125 + r
        code, base, spread = types[j % 4]
        location = "L%02d   " % (j % 8)
        words = [ord(location[i]) << 8 | ord(location[i + 1]) for i in (0, 2, 4)]
        minutes, value, temperature = (j * 37) % 525000, base + (j * 7919) % spread, 150 + j % 100
        words += [value & 0xFFFF, temperature, minutes >> 16, minutes & 0xFFFF, code]
        lines.append("%3d: %s" % (r, " ".join("%04X" % w for w in words)))
        fields.write("%d,%s,%d,%d,%d,%d\n" % (k, location.strip(), minutes, code, value, temperature))
    with open(os.path.join(folder, "20261207-%06d-1.txt" % k), "w") as f:
        f.write("\n".join(lines) + "\n")
