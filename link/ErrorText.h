#pragma once

#include <cstdint>
#include <string>

// Codes of the instrument link: 0 is success, 1 to 4 the protocol's own failures,
// the rest the system's numbers for run-time and device failures.
enum LinkCode : int32_t {
  NoReply = 1,
  IncompleteReply = 2,
  InvalidReply = 3,         // too long, or a header that does not fit the request
  CorruptReply = 4,         // ended within the header, or a bad LRC
  IllegalFunctionCall = 5,  // the device refused a line setting
  OutOfMemory = 7,
  UnknownPortError = 8,  // a failure that carries no positive number of its own
  WriteIncomplete = 24,
  PortNotOpen = 52,
  FileNotFound = 53,
  DeviceIoError = 57,
  PortNotAvailable = 69,
  PermissionDenied = 70,
};

// The byte of the meter's address: the only slave on its line.
constexpr uint8_t kSlave = 0x01;

// The message the user sees for a non-zero code.
std::string ErrorText(int32_t code);

// The general number-to-text form: a space before a non-negative number, the sign before a negative one.
std::string NumberText(int64_t number);
