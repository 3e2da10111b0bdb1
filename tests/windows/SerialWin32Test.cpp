#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ErrorText.h"
#include "MeterLink.h"
#include "SerialWin32.h"
#include "Transact.h"

// The ports below are simulated meters that run_under_wine.sh maps into the Wine prefix
// before this program starts.
namespace {

struct Kind {
  const char* port;
  int registersPerRecord;
  bool dissolvedOxygen;
  bool multiParameter;
};

const Kind kKinds[] = {{"COM5", 7, true, false}, {"COM6", 6, false, false}, {"COM7", 8, false, true}};

std::string RecordRequest(int record, int registers) {
  char text[16];
  std::snprintf(text, sizeof text, ":0104%04X%04X", record * registers, registers);
  return text;
}

TEST(Win32SerialPort, ExchangesWithEveryMeterKind) {
  for (const Kind& kind : kKinds) {
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, kind.port), 0) << kind.port << ": " << link.LastErrorText;
    ASSERT_EQ(Transact(link, ":0111"), 0) << kind.port;
    const ReplyBytes& r = link.ReplyBuffer;
    EXPECT_EQ(r.At(1), 0x01);
    EXPECT_EQ(r.At(2), 0x11);
    EXPECT_EQ(r.At(3), 6);
    EXPECT_EQ(r.At(4) == 30, kind.dissolvedOxygen) << kind.port;
    EXPECT_EQ(r.At(9) >= 90, kind.multiParameter) << kind.port;
    for (int record : {0, 1, 49}) {
      ASSERT_EQ(Transact(link, RecordRequest(record, kind.registersPerRecord)), 0) << kind.port << record;
      EXPECT_EQ(r.At(2), 0x04);
      EXPECT_EQ(r.At(3), 2 * kind.registersPerRecord);
    }
    CloseMeterPort(link);
  }
}

TEST(Win32SerialPort, OpensOnlyADevice) {
  MeterLink first;
  ASSERT_EQ(OpenMeterPort(first, "\\\\.\\COM5"), 0) << "a prefixed name is not prefixed twice";
  ASSERT_EQ(Transact(first, ":0111"), 0);
  CloseMeterPort(first);

  const char* refused[] = {"COM42", "C:\\windows\\win.ini", "\\\\.\\C:\\windows\\win.ini", ""};
  for (const char* name : refused) {
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

// Windows' serial driver refuses a second open of a port; Wine does not emulate that, so
// there the check cannot be made and says so.
TEST(Win32SerialPort, RefusesAPortAlreadyOpen) {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
    GTEST_SKIP() << "Wine opens a serial device twice; exclusive use is only testable on Windows";
  }
  MeterLink first;
  ASSERT_EQ(OpenMeterPort(first, "COM5"), 0);
  MeterLink second;
  EXPECT_EQ(OpenMeterPort(second, "COM5"), PortNotAvailable);
}

TEST(Win32SerialPort, EveryFaultEndsWithItsCode) {
  struct Case {
    const char* port;
    const char* fault;
    int32_t code;
    int function;
  } cases[] = {
      {"COM8", "silent", NoReply, 0},
      {"COM9", "slow", IncompleteReply, 0},
      {"COM10", "bad LRC once", 0, 0x11},  // also a port numbered 10 or above
      {"COM11", "no identification", 0, 0x91},
  };
  for (const Case& c : cases) {
    MeterLink link;
    ASSERT_EQ(OpenMeterPort(link, c.port), 0) << c.fault << ": " << link.LastErrorText;
    EXPECT_EQ(Transact(link, ":0111"), c.code) << c.fault;
    if (c.function != 0) {
      EXPECT_EQ(link.ReplyBuffer.At(2), c.function) << c.fault;
    }
  }
}

}  // namespace
