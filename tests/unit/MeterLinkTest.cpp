#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ErrorText.h"
#include "FakePort.h"
#include "MeterLink.h"

namespace {

TEST(ErrorText, MapsEveryCodeOfTheTable) {
  struct Case {
    int32_t code;
    const char* text;
    // clang-format off
  } cases[] = {
      {1, "No reply from Instrument"},       {2, "Incomplete reply from Instrument"},
      {3, "Invalid message received from Instrument"}, {4, "Invalid message received from Instrument"},
      {5, "Illegal Function Call"},          {8, "Unknown Error Initializing COM port"},
      {10, "Undefined system Error # 10"},    {11, "Division by Zero"},
      {52, "Bad File Name or Number"},       {53, "File Not Found"},
      {57, "Device I/O Error"},              {68, "Selected COM port is not available"},
      {69, "Selected COM port is not available"}, {70, "Windows has denied permission"},
      {0, "Undefined system Error # 0"},     {-2147483647 - 1, "Undefined system Error #-2147483648"},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(ErrorText(c.code), c.text) << c.code;
}

VirtualClock clock;
int32_t openCode = 0;

int32_t FakeOpener(const std::string&, std::unique_ptr<SerialPort>& port, std::string&) {
  if (openCode == 0) port = std::make_unique<FakePort>(clock);
  return openCode;
}

TEST(OpenMeterPort, SetsTheMessageAndClosesOnFailure) {
  struct Case {
    int32_t opened;
    int32_t code;
    const char* text;
    // clang-format off
  } cases[] = {
      {0, 0, "No Error"},
      {-3, UnknownPortError, "Unknown Error Initializing COM port"},
  };
  // clang-format on
  for (const Case& c : cases) {
    MeterLink link;
    link.openDevice = FakeOpener;
    link.LastErrorText = "stale";
    openCode = c.opened;
    EXPECT_EQ(OpenMeterPort(link, "COM3"), c.code);
    EXPECT_EQ(link.LastErrorText, c.text);
    EXPECT_EQ(link.port != nullptr, c.code == 0);
    CloseMeterPort(link);
    EXPECT_EQ(link.port, nullptr);
    CloseMeterPort(link);  // closing a closed port does nothing
  }
}

// Names Windows writes with the device prefix, once or more, open the same port.
TEST(WindowsDevicePath, PrefixesOnce) { EXPECT_EQ(WindowsDevicePath("\\\\.\\\\\\.\\COM4"), "\\\\.\\COM4"); }

}  // namespace
