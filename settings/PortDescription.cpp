#include "PortDescription.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  std::string line;
  std::ifstream in(file);
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

// The maker and product of the USB device above the tty: a USB serial adapter's port hangs below
// the interface it serves (ttyUSB), or is the interface itself (ttyACM); the device holding the
// interface has the idVendor file. UARTs on the board have no USB device above them.
std::string UsbMakerAndProduct(const std::string& ttyName, const fs::path& sysfs) {
  std::error_code error;
  fs::path node = fs::canonical(sysfs / "class" / "tty" / ttyName / "device", error);
  if (error) return "";
  const fs::path top = fs::canonical(sysfs, error);
  for (; !error && node != top && node.has_relative_path(); node = node.parent_path()) {
    if (!fs::exists(node / "idVendor", error)) continue;
    std::string text = FirstLine(node / "manufacturer");
    const std::string product = FirstLine(node / "product");
    if (!product.empty()) text += (text.empty() ? "" : " ") + product;
    return text;
  }
  return "";
}

// The stable name udev made for the device: the same adapter keeps it in whatever order the
// adapters were plugged in.
std::string StableName(const std::string& port, const fs::path& byId) {
  std::error_code error;
  const fs::path device = fs::canonical(port, error);
  if (error) return "";
  for (fs::directory_iterator entry(byId, error), end; !error && entry != end; entry.increment(error)) {
    std::error_code unresolved;
    if (fs::canonical(entry->path(), unresolved) == device && !unresolved) return entry->path().string();
  }
  return "";
}

}  // namespace

std::string PortDescriptionFrom(const std::string& port, const std::string& sysfs, const std::string& byId) {
  std::string description = UsbMakerAndProduct(fs::path(port).filename().string(), sysfs);
  const std::string stable = StableName(port, byId);
  if (!stable.empty()) description += (description.empty() ? "" : ", ") + stable;
  return description;
}
