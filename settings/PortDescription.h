#pragma once

#include <string>

// What the system knows of a port beyond its name, so a person can tell which one is the meter:
// on Linux the USB adapter's maker and product and the port's stable /dev/serial/by-id name,
// such as "FTDI FT232R USB UART, /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";
// "" when nothing is known (always on Windows, whose port list already names the device).
std::string PortDescription(const std::string& port);

// The same, from the sysfs tree at sysfs (normally /sys) and the folder of stable names byId,
// both Linux's.
std::string PortDescriptionFrom(const std::string& port, const std::string& sysfs, const std::string& byId);
