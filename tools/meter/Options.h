#pragma once

#include <span>
#include <string>

#include "Meter.h"
#include "Serve.h"

struct Options {
  MeterKind kind = MeterKind::MultiParameter;
  bool identifies = true;
  std::string recordsPath;  // empty: the built-in demonstration log
  std::string linkPath;
  Faults faults;
};

enum class OptionsResult { Run, Help, Version, Invalid };

extern const char usageText[];

// args excludes the program name. Invalid sets error to a one-line reason.
OptionsResult ParseOptions(std::span<const char* const> args, Options& options, std::string& error);
