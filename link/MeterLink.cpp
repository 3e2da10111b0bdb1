#include "MeterLink.h"

#include "ErrorText.h"

int32_t OpenMeterPort(MeterLink& link, const std::string& name) {
  link.ReplyBuffer = ReplyBytes{};
  link.LastErrorText = "No Error";
  link.port.reset();
  link.portFailure.clear();
  int32_t code = link.openDevice(name, link.port, link.portFailure);
  if (code != 0) {
    if (code < 0) code = UnknownPortError;  // no-mutate(< 0): code is not 0 here
    link.port.reset();
    link.LastErrorText = ErrorText(code);
  }
  return code;
}

void CloseMeterPort(MeterLink& link) { link.port.reset(); }
