#pragma once

#include <cstdint>
#include <string>

#include "Clock.h"
#include "MeterLink.h"

// How long the reply's ":" and each later character pair may take. Held in single
// precision as the meters' firmware timing was specified, so the limit is 0.300000012 s.
constexpr float kReplyTimeout = 0.3f;

// The wire frame of a request such as ":0111": the request, its LRC as two uppercase hex
// digits, CR LF.
std::string FrameRequest(const std::string& request);

// Seconds from a SecondsOfDay reading to now, across midnight.
double SecondsSince(Clock& clock, double start);

// One request and its reply, with one more attempt when the first fails by the protocol.
// Returns 0 with the reply in ReplyBuffer and its length in replyLength, 1 to 4 for a protocol failure, or a port
// failure's number (8 when it has none), which ends at once without a second attempt.
int32_t Transact(MeterLink& link, const std::string& request);
