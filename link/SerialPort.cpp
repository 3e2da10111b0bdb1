#include "SerialPort.h"

std::string WindowsDevicePath(const std::string& name) {
  static const std::string kPrefix = "\\\\.\\";
  std::string bare = name;
  for (size_t at = bare.find(kPrefix); at != std::string::npos; at = bare.find(kPrefix, at)) {
    bare.erase(at, kPrefix.size());
  }
  return kPrefix + bare;
}
