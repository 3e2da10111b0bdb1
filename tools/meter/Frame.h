#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Longest hex text we keep for one frame: address, PDU and LRC of the largest Modbus ASCII frame.
inline constexpr std::size_t maxFrameHex = 512;

uint8_t Lrc(std::span<const uint8_t> bytes);

// ":" + uppercase hex of message + LRC + CR LF.
std::string BuildFrame(std::span<const uint8_t> message);

enum class FrameState { Idle, Body, AfterCr };

// Receives a frame one character at a time; keeps at most maxFrameHex characters.
struct FrameParser {
  FrameState state = FrameState::Idle;
  std::string hex;
  bool bad = false;
};

// True when c completes a well-formed frame with a correct LRC; `message` then holds its bytes
// without the LRC. Malformed, overlong, short and bad-LRC frames are dropped silently.
bool FeedFrameChar(FrameParser& parser, char c, std::vector<uint8_t>& message);
