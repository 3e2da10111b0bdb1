#include "Frame.h"

namespace {

const char hexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendHex(std::string& text, uint8_t byte) {
  text += hexDigits[byte >> 4];
  text += hexDigits[byte & 0x0F];
}

void StartFrame(FrameParser& parser) {
  parser.state = FrameState::Body;
  parser.hex.clear();
  parser.bad = false;
}

bool FinishFrame(FrameParser& parser, std::vector<uint8_t>& message) {
  parser.state = FrameState::Idle;
  // Address, function and LRC at the least.
  if (parser.bad || parser.hex.size() % 2 != 0 || parser.hex.size() < 6) return false;
  std::vector<uint8_t> bytes;
  bytes.reserve(parser.hex.size() / 2);
  for (std::size_t i = 0; i < parser.hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(HexValue(parser.hex[i]) * 16 + HexValue(parser.hex[i + 1])));
  uint8_t lrc = bytes.back();
  bytes.pop_back();
  if (Lrc(bytes) != lrc) return false;
  message = std::move(bytes);
  return true;
}

}  // namespace

uint8_t Lrc(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
  return static_cast<uint8_t>(-sum);
}

std::string BuildFrame(std::span<const uint8_t> message) {
  std::string frame = ":";
  for (uint8_t b : message) AppendHex(frame, b);
  AppendHex(frame, Lrc(message));
  frame += "\r\n";
  return frame;
}

bool FeedFrameChar(FrameParser& parser, char c, std::vector<uint8_t>& message) {
  // A ':' always begins a new frame, whatever came before it.
  if (c == ':') {
    StartFrame(parser);
    return false;
  }
  switch (parser.state) {
    case FrameState::Idle: return false;
    case FrameState::Body:
      if (c == '\r') {
        parser.state = FrameState::AfterCr;
      } else if (HexValue(c) < 0 || parser.hex.size() >= maxFrameHex) {
        parser.bad = true;
      } else {
        parser.hex += c;
      }
      return false;
    case FrameState::AfterCr:
      if (c == '\n') return FinishFrame(parser, message);
      parser.state = FrameState::Idle;
      return false;
  }
  return false;
}
