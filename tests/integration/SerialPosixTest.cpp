#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ErrorText.h"
#include "MeterLink.h"
#include "MeterProcess.h"
#include "Transact.h"

namespace {

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
  ASSERT_EQ(OpenMeterPort(again, meter.Path()), 0) << "closing releases the port";
  // A meter that goes away mid-download is a failed write, not a hang.
  EXPECT_EQ(meter.Stop(), 0) << "the meter exits cleanly on SIGTERM";
  const int32_t code = Transact(again, ":0111");
  EXPECT_TRUE(code == WriteIncomplete || code == DeviceIoError) << code;
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

// Every kind and fault on a real terminal. Byte 3 of a reply is its byte count or exception code.
TEST(PosixSerialPort, ExchangesWithEveryKindAndFault) {
  const struct Exchange {
    const char* request;
    int32_t code;
    int function = 0, byte3 = 0;
  } identify = {":0111", 0, 0x11, 6}, nothing = {":0111", NoReply, 0, 0};
  const struct {
    std::vector<std::string> options;
    std::vector<Exchange> exchanges;
  } cases[] = {
      {{"--kind", "do"}, {identify, {":010401570007", 0, 4, 14}}},
      {{"--kind", "ss"}, {{":010400000007", 0, 0x84, 2}, {":010400060006", 0, 4, 12}}},
      {{"--garbage"}, {{":010400080008", 0, 4, 16}, identify}},
      {{"--silent"}, {nothing}},
      {{"--slow", "400"}, {{":0111", IncompleteReply}}},
      {{"--slow", "150"}, {identify}},
      {{"--pace"}, {identify}},
      {{"--bad-lrc", "1"}, {identify}},
      {{"--stop-after", "1"}, {identify, nothing}},
      {{"--no-identify"}, {{":0111", 0, 0x91, 1}}},
  };
  for (const auto& c : cases) {
    MeterProcess meter(c.options);
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, meter.Path()), 0);
    for (const Exchange& e : c.exchanges) {
      ASSERT_EQ(Transact(link, e.request), e.code) << c.options[0] << " " << e.request;
      if (e.code == 0) {
        EXPECT_EQ(link.ReplyBuffer.At(1), 1);
        EXPECT_EQ(link.ReplyBuffer.At(2), e.function) << c.options[0] << " " << e.request;
        EXPECT_EQ(link.ReplyBuffer.At(3), e.byte3) << c.options[0] << " " << e.request;
      }
    }
  }
}

}  // namespace
