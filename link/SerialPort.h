#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The three operations the exchange needs from an open serial port, implemented once per
// platform (serial_posix.cpp, serial_win32.cpp) and once by the tests' scripted port.
// Every operation returns 0 or the system's number of its failure.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Characters received and not yet taken. A line error reported by the driver fails with 57.
  virtual int32_t CharactersWaiting(int32_t& count) = 0;
  // Exactly n characters; called only when at least n are waiting, so it never blocks.
  virtual int32_t Receive(uint8_t* into, int32_t n) = 0;
  // The whole byte string; fewer bytes written fails with 24.
  virtual int32_t Send(const uint8_t* bytes, int32_t n) = 0;
};

// Opens the named device exclusively with the meter's line settings (9600 8N1, no flow
// control). On failure `port` stays empty, the code says why (69 not available, 5 a setting
// refused, 57 line error, or the system's number) and `why` in the system's own words.
int32_t OpenSerialDevice(const std::string& name, std::unique_ptr<SerialPort>& port, std::string& why);

// The Win32 device path of a port name: every "\\.\" removed, then one put in front, so
// COM10 and above open too and an already prefixed name is not prefixed twice.
std::string WindowsDevicePath(const std::string& name);
