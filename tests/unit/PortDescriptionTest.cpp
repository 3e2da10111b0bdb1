#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "PortDescription.h"

namespace fs = std::filesystem;

namespace {

// A sysfs tree and /dev as the kernel and udev lay them out, with relative links.
TEST(PortDescription, MakerProductAndStableNameFromSysfs) {
  const fs::path root = fs::temp_directory_path() / ("datapond-ports-" + std::to_string(std::random_device()()));
  const fs::path byId = root / "dev/serial/by-id";
  fs::create_directories(byId);
  auto write = [&](const std::string& file, const std::string& text) {
    fs::create_directories((root / file).parent_path());
    std::ofstream(root / file) << text;
  };
  auto tty = [&](const std::string& name, const std::string& device) {  // device: under sys/devices
    fs::create_directories(root / "sys/devices" / device);
    fs::create_directories(root / "sys/class/tty" / name);
    fs::create_directory_symlink("../../../devices/" + device, root / "sys/class/tty" / name / "device");
    write("dev/" + name, "");
  };
  // A USB serial converter: the tty below the interface, below the USB device.
  write("sys/devices/pci0/usb1/1-1/idVendor", "0403\n");
  write("sys/devices/pci0/usb1/1-1/manufacturer", "FTDI\n");
  write("sys/devices/pci0/usb1/1-1/product", "FT232R USB UART\n");
  tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
  fs::create_symlink("../../ttyUSB0", byId / "usb-FTDI_FT232R-if00-port0");
  // A UART on the board: no USB device above it. A by-id link to a device that is gone is ignored.
  tty("ttyS0", "platform/serial8250/tty/ttyS0");
  fs::create_symlink("../../ttyUSB7", byId / "usb-unplugged-if00");  // dangling

  const struct {
    const char* name;
    std::string description;
  } cases[] = {
      {"ttyUSB0", "FTDI FT232R USB UART, " + (byId / "usb-FTDI_FT232R-if00-port0").string()},
      {"ttyS0", ""},
      {"ttyUSB3", ""},  // not in sysfs at all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PortDescriptionFrom((root / "dev" / c.name).string(), (root / "sys").string(), byId.string()),
              c.description)
        << c.name;
  }
  fs::remove_all(root);
}

}  // namespace
