// The POSIX serial back end on a pseudo-terminal, the far side standing in for the meter.
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ErrorText.h"
#include "SerialPort.h"

namespace {

// Bytes written on one side reach the other through the kernel's queue, not at once.
int32_t WaitFor(SerialPort& port, int32_t wanted) {
  int32_t count = 0;
  for (pollfd none{-1, 0, 0}; port.CharactersWaiting(count) == 0 && count < wanted;) poll(&none, 0, 1);
  return count;
}

TEST(SerialPosix, CarriesBothWaysAndFailsOnceTheLineIsGone) {
  const int meter = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(meter, 0);
  ASSERT_EQ(grantpt(meter) | unlockpt(meter), 0);
  const std::string name = ptsname(meter);
  std::unique_ptr<SerialPort> port, second;
  std::string why;
  ASSERT_EQ(OpenSerialDevice(name, port, why), 0) << why;
  EXPECT_EQ(OpenSerialDevice(name, second, why), PortNotAvailable) << "held while open";
  EXPECT_FALSE(second);

  ASSERT_EQ(write(meter, ":0103\r\n", 7), 7);
  ASSERT_EQ(WaitFor(*port, 7), 7);
  std::string got(7, '\0');
  EXPECT_EQ(port->Receive(reinterpret_cast<uint8_t*>(got.data()), 7), 0);
  EXPECT_EQ(got, ":0103\r\n");
  EXPECT_EQ(port->Send(reinterpret_cast<const uint8_t*>("reply"), 5), 0);
  char sent[8] = {};
  EXPECT_EQ(read(meter, sent, sizeof sent), 5);
  EXPECT_STREQ(sent, "reply");

  // The cable pulled: nothing more to read, and nothing goes out.
  close(meter);
  uint8_t byte = 0;
  EXPECT_EQ(port->Receive(&byte, 1), DeviceIoError);
  EXPECT_EQ(port->Send(&byte, 1), WriteIncomplete);
}

}  // namespace
#endif
