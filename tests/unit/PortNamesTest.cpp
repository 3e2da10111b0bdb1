#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PortNames.h"

namespace {

TEST(CandidatePort, SecondFieldOfTheFriendlyName) {
  struct Case {
    const char* friendlyName;
    bool candidate;
    const char* port;
  } cases[] = {
      {"Communications Port (COM1)", true, "COM1"},
      {"Adapter (USB) (COM4)", true, "USB"},  // the probe of "USB" fails, so COM4 is lost
      {"Modem without a port", true, ""},
      {"ECP Printer Port (LPT1)", false, ""},
      {"Bluetooth Link (COM5) lptx", false, ""},
  };
  for (const Case& c : cases) {
    std::string port = "unchanged";
    EXPECT_EQ(CandidatePort(c.friendlyName, port), c.candidate) << c.friendlyName;
    if (c.candidate) {
      EXPECT_EQ(port, c.port) << c.friendlyName;
    }
  }
}

TEST(SortPortNames, TextOrderWithoutLetterCase) {
  std::vector<std::string> names = {"COM3", "COM10", "com2", "COM1", "/dev/ttyUSB0", "/dev/ttyS0"};
  SortPortNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0", "COM1", "COM10", "com2", "COM3"}));
}

}  // namespace
