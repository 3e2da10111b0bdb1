#include <windows.h>

#include <gtest/gtest.h>

#include "ErrorText.h"
#include "MeterLink.h"
#include "SerialWin32.h"
#include "Transact.h"

// The ports below are simulated meters that run_under_wine.sh maps into the Wine prefix
// before this program starts.
namespace {

// Full downloads over this port, and a silent meter, are the program's window tests; here every
// other fault ends with its code, and names Windows writes in two ways open the same device.
TEST(Win32SerialPort, EveryFaultEndsWithItsCode) {
  struct Case {
    const char* port;
    int32_t code;
    int function;  // of the reply, 0 when there is none
  } cases[] = {
      {"\\\\.\\COM5", 0, 0x11},      // a prefixed name is not prefixed twice
      {"COM9", IncompleteReply, 0},  // slow
      {"COM10", 0, 0x11},            // one bad LRC, retried; also a port numbered 10 or above
  };
  for (const Case& c : cases) {
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, c.port), 0) << c.port << ": " << link.LastErrorText;
    EXPECT_EQ(Transact(link, ":0111"), c.code) << c.port;
    EXPECT_EQ(c.function == 0 ? 0 : link.ReplyBuffer.At(2), c.function) << c.port;
    CloseMeterPort(link);
  }
}

TEST(Win32SerialPort, RefusesWhatIsNotASerialDevice) {
  for (const char* name : {"COM42", "C:\\windows\\win.ini", "\\\\.\\C:\\windows\\win.ini", ""}) {
    MeterLink link;
    EXPECT_EQ(OpenMeterPort(link, name), PortNotAvailable) << name;
    EXPECT_EQ(link.LastErrorText, "Selected COM port is not available") << name;
  }
}

// The read time-outs return at once; the write time-outs stay as the driver has them.
TEST(Win32SerialPort, ChangesOnlyTheReadTimeOuts) {
  HANDLE port = CreateFileW(L"\\\\.\\COM5", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS timeouts{1, 2, 3, 40, 500};
  ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
  EXPECT_EQ(ApplyLineSettings(port), 0);
  ASSERT_TRUE(GetCommTimeouts(port, &timeouts));
  CloseHandle(port);
  EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier + timeouts.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 40u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 500u);
}

}  // namespace
