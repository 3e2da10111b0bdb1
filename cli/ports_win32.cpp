#include <windows.h>

#include <memory>

#include "PortNames.h"
#include "Ports.h"
#include "SerialPort.h"

// The DOS device names of the serial ports; each is kept when it opens for the meter now.
std::vector<std::string> UsablePorts() {
  std::vector<wchar_t> names(65536);
  std::vector<std::string> ports;
  const DWORD length = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
  for (DWORD at = 0; at < length && names[at] != L'\0';) {
    const std::wstring name(&names[at]);
    at += static_cast<DWORD>(name.size()) + 1;
    if (name.size() < 4 || name.compare(0, 3, L"COM") != 0) continue;
    const std::string narrow(name.begin(), name.end());
    std::unique_ptr<SerialPort> port;
    if (OpenSerialDevice(narrow, port) == 0) ports.push_back(narrow);
  }
  SortPortNames(ports);
  return ports;
}
