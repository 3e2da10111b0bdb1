#include "ErrorText.h"

namespace {

struct Message {
  int32_t code;
  const char* text;
};

constexpr Message kMessages[] = {
    {1, "No reply from Instrument"},
    {2, "Incomplete reply from Instrument"},
    {3, "Invalid message received from Instrument"},
    {4, "Invalid message received from Instrument"},
    {5, "Illegal Function Call"},
    {6, "Math Overflow"},
    {7, "Out of Memory"},
    {8, "Unknown Error Initializing COM port"},
    {9, "Subscript/Pointer Out of Range"},
    {11, "Division by Zero"},
    {52, "Bad File Name or Number"},
    {53, "File Not Found"},
    {57, "Device I/O Error"},
    {68, "Selected COM port is not available"},
    {69, "Selected COM port is not available"},
    {70, "Windows has denied permission"},
};

}  // namespace

std::string NumberText(int64_t number) {
  std::string digits = std::to_string(number);
  return number < 0 ? digits : " " + digits;
}

std::string ErrorText(int32_t code) {
  for (const Message& m : kMessages) {
    if (m.code == code) return m.text;
  }
  return "Undefined system Error #" + NumberText(code);
}
