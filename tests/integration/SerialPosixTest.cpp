#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ErrorText.h"
#include "MeterLink.h"
#include "MeterProcess.h"
#include "Transact.h"

namespace {

struct Kind {
  const char* option;
  int registersPerRecord;
  bool dissolvedOxygen;
  bool multiParameter;
};

const Kind kKinds[] = {{"do", 7, true, false}, {"ss", 6, false, false}, {"multi", 8, false, true}};

std::string RecordRequest(int record, int registers) {
  char text[16];
  std::snprintf(text, sizeof text, ":0104%04X%04X", record * registers, registers);
  return text;
}

TEST(PosixSerialPort, OpensOnlyAFreeTerminalDevice) {
  MeterProcess meter({"--kind", "do"});
  MeterLink first;
  ASSERT_EQ(OpenMeterPort(first, meter.Path()), 0) << first.LastErrorText;
  EXPECT_EQ(first.LastErrorText, "No Error");

  char file[] = "/tmp/datapond-not-a-port-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string refused[] = {meter.Path(), file, "/dev/null", "/dev/ttyDATAPOND-NONE", ""};
  for (const std::string& name : refused) {
    MeterLink second;
    EXPECT_EQ(OpenMeterPort(second, name), PortNotAvailable) << name;
    EXPECT_EQ(second.LastErrorText, "Selected COM port is not available") << name;
    EXPECT_EQ(second.port, nullptr);
  }
  unlink(file);

  CloseMeterPort(first);
  MeterLink again;
  EXPECT_EQ(OpenMeterPort(again, meter.Path()), 0) << "closing releases the port";
}

// A terminal program that opened the port first takes no lock, yet the port is its own; once
// it has gone the port opens and the meter still answers.
TEST(PosixSerialPort, RefusesAPortAnotherProgramOpenedFirst) {
  MeterProcess meter({"--kind", "do"});
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const int fd = open(meter.Path().c_str(), O_RDWR | O_NOCTTY);
    (void)!write(ready[1], fd >= 0 ? "y" : "n", 1);
    pause();
    _exit(0);
  }
  char opened = 0;
  ASSERT_EQ(read(ready[0], &opened, 1), 1);
  ASSERT_EQ(opened, 'y');
  MeterLink link;
  EXPECT_EQ(OpenMeterPort(link, meter.Path()), PortNotAvailable);
  EXPECT_EQ(link.portFailure.rfind("in use by process " + std::to_string(holder) + " (", 0), 0u) << link.portFailure;
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0) << link.portFailure;
  EXPECT_EQ(Transact(link, ":0111"), 0);
}

TEST(PosixSerialPort, ExchangesWithEveryMeterKind) {
  for (const Kind& kind : kKinds) {
    MeterProcess meter({"--kind", kind.option});
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0);
    ASSERT_EQ(Transact(link, ":0111"), 0) << kind.option;
    const ReplyBytes& r = link.ReplyBuffer;
    EXPECT_EQ(r.At(1), 0x01);
    EXPECT_EQ(r.At(2), 0x11);
    EXPECT_EQ(r.At(3), 6);
    EXPECT_EQ(r.At(4) == 30, kind.dissolvedOxygen) << kind.option;
    EXPECT_EQ(r.At(9) >= 90, kind.multiParameter) << kind.option;

    for (int record : {0, 1, 49}) {
      ASSERT_EQ(Transact(link, RecordRequest(record, kind.registersPerRecord)), 0) << kind.option << record;
      EXPECT_EQ(r.At(1), 0x01);
      EXPECT_EQ(r.At(2), 0x04);
      EXPECT_EQ(r.At(3), 2 * kind.registersPerRecord);
    }
  }
}

// A suspended-solids meter asked for a dissolved-oxygen record answers with an exception,
// which passes the exchange and is told apart by its function code.
TEST(PosixSerialPort, SuspendedSolidsMeterRefusesSevenRegisters) {
  MeterProcess meter({"--kind", "ss"});
  MeterLink link;
  ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0);
  ASSERT_EQ(Transact(link, RecordRequest(0, 7)), 0);
  EXPECT_EQ(link.ReplyBuffer.At(2), 0x84);
}

TEST(PosixSerialPort, EveryFaultEndsWithItsCode) {
  struct Case {
    std::vector<std::string> options;
    std::vector<int32_t> codes;  // of successive identification requests
    int function;                // of the last reply, when it succeeded
  } cases[] = {
      {{"--silent"}, {NoReply}, 0},   {{"--slow", "400"}, {IncompleteReply}, 0},
      {{"--slow", "150"}, {0}, 0x11}, {{"--bad-lrc", "1"}, {0}, 0x11},
      {{"--garbage"}, {0, 0}, 0x11},  {{"--stop-after", "1"}, {0, NoReply}, 0},
      {{"--no-identify"}, {0}, 0x91},
  };
  for (const Case& c : cases) {
    std::vector<std::string> options = {"--kind", "do"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    MeterProcess meter(options);
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0);
    for (int32_t code : c.codes) EXPECT_EQ(Transact(link, ":0111"), code) << c.options[0];
    if (c.function != 0) {
      EXPECT_EQ(link.ReplyBuffer.At(2), c.function) << c.options[0];
    }
  }
}

// A meter that goes away mid-download is a failed write, not a hang.
TEST(PosixSerialPort, VanishedMeterFailsTheWrite) {
  MeterProcess meter({"--kind", "do"});
  MeterLink link;
  ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0);
  ASSERT_EQ(Transact(link, ":0111"), 0);
  EXPECT_EQ(meter.Stop(), 0) << "the meter exits cleanly on SIGTERM";
  const int32_t code = Transact(link, ":0111");
  EXPECT_TRUE(code == WriteIncomplete || code == DeviceIoError) << code;
}

}  // namespace
