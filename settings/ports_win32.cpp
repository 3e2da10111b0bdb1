#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <cstdio>

#include "PortDescription.h"
#include "PortNames.h"
#include "Ports.h"
#include "SerialPort.h"
#include "WideText.h"

namespace {

// The Ports device setup class: serial and parallel ports.
const char* const kPortsClass = "{4d36e978-e325-11ce-bfc1-08002be10318}";

GUID ParseGuid(const char* text) {
  GUID guid{};
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  sscanf(text, "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
         &b[6], &b[7]);
  guid.Data1 = d1;
  guid.Data2 = static_cast<unsigned short>(d2);
  guid.Data3 = static_cast<unsigned short>(d3);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<unsigned char>(b[i]);
  return guid;
}

std::vector<std::string> CandidatePorts() {
  std::vector<std::string> candidates;
  const GUID ports = ParseGuid(kPortsClass);
  HDEVINFO devices = SetupDiGetClassDevsA(&ports, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return candidates;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    // A name of 99 characters and its NUL fill the buffer exactly.
    char name[100] = {};
    // A device whose name cannot be read is left out rather than taken for the one before.
    if (!SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(name),
                                           sizeof name, nullptr)) {
      continue;
    }
    std::string port;
    if (CandidatePort(std::string(name, std::find(name, name + sizeof name, '\0')), port)) candidates.push_back(port);
  }
  SetupDiDestroyDeviceInfoList(devices);
  return candidates;
}

// Opened exclusively as the download opens it, and closed at once: nothing is configured.
bool OpensNow(const std::string& port) {
  HANDLE handle = CreateFileW(Widen(WindowsDevicePath(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool device = GetFileType(handle) != FILE_TYPE_DISK;
  CloseHandle(handle);
  return device;
}

}  // namespace

std::vector<std::string> PortDiscovery() {
  std::vector<std::string> usable;
  for (const std::string& candidate : CandidatePorts()) {
    if (OpensNow(candidate)) usable.push_back(WindowsDevicePath(candidate).substr(4));
  }
  SortPortNames(usable);
  return usable;
}

// The Ports class names each device already; the list shows the COM names alone.
std::string PortDescription(const std::string&) { return ""; }
