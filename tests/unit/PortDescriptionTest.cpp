#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "PortDescription.h"

namespace fs = std::filesystem;

namespace {

// A sysfs tree and /dev as udev lays them out, with relative links as the kernel makes them.
class FakeSystem {
 public:
  FakeSystem() {
    std::string folder = (fs::temp_directory_path() / "datapond-ports-XXXXXX").string();
    root_ = mkdtemp(folder.data());
    fs::create_directories(root_ / "dev/serial/by-id");
  }
  ~FakeSystem() { fs::remove_all(root_); }

  void Write(const std::string& file, const std::string& text) {
    fs::create_directories((root_ / file).parent_path());
    std::ofstream(root_ / file) << text;
  }
  // The tty NAME whose device is the sysfs folder DEVICE (under sys/devices).
  void Tty(const std::string& name, const std::string& device) {
    fs::create_directories(root_ / "sys/devices" / device);
    fs::create_directories(root_ / "sys/class/tty" / name);
    fs::create_directory_symlink("../../../devices/" + device, root_ / "sys/class/tty" / name / "device");
    Write("dev/" + name, "");
  }
  void StableName(const std::string& link, const std::string& name) {
    fs::create_symlink("../../" + name, root_ / "dev/serial/by-id" / link);
  }
  std::string Describe(const std::string& name) const {
    return PortDescriptionFrom((root_ / "dev" / name).string(), (root_ / "sys").string(),
                               (root_ / "dev/serial/by-id").string());
  }
  std::string ById(const std::string& link) const { return (root_ / "dev/serial/by-id" / link).string(); }

 private:
  fs::path root_;
};

TEST(PortDescription, MakerProductAndStableNameFromSysfs) {
  FakeSystem system;
  // A USB serial converter: the tty below the interface, below the USB device.
  system.Write("sys/devices/pci0/usb1/1-1/idVendor", "0403\n");
  system.Write("sys/devices/pci0/usb1/1-1/manufacturer", "FTDI\n");
  system.Write("sys/devices/pci0/usb1/1-1/product", "FT232R USB UART\n");
  system.Tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
  system.StableName("usb-FTDI_FT232R_USB_UART_A10K-if00-port0", "ttyUSB0");
  // A CDC ACM device: the interface is the tty's device; this one gives no maker.
  system.Write("sys/devices/pci0/usb1/1-2/idVendor", "2341\n");
  system.Write("sys/devices/pci0/usb1/1-2/product", "Meter Cable\n");
  system.Tty("ttyACM0", "pci0/usb1/1-2/1-2:1.0");
  // A UART on the board: no USB device above it, though udev may still name it.
  system.Tty("ttyS0", "platform/serial8250/tty/ttyS0");
  system.Tty("ttyS1", "platform/serial8250/tty/ttyS1");
  system.StableName("pci-serial-port1", "ttyS1");
  system.StableName("usb-gone-if00", "ttyUSB7");  // left behind by an adapter unplugged

  const struct {
    const char* name;
    std::string description;
  } cases[] = {
      {"ttyUSB0", "FTDI FT232R USB UART, " + system.ById("usb-FTDI_FT232R_USB_UART_A10K-if00-port0")},
      {"ttyACM0", "Meter Cable"},
      {"ttyS0", ""},
      {"ttyS1", system.ById("pci-serial-port1")},
      {"ttyUSB3", ""},  // not in sysfs at all
  };
  for (const auto& c : cases) EXPECT_EQ(system.Describe(c.name), c.description) << c.name;
}

}  // namespace
