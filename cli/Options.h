#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SaveFrame.h"

// One file to write: a format and where (empty: standard output).
struct OutputRequest {
  SaveFormat format = SaveFormat::ColumnText;
  std::string path;
};

struct DownloadOptions {
  std::string port;   // empty: the remembered one
  int32_t units = 0;  // 0 ask, 1 mg/l, 2 %Sat
  int32_t sortPriority = 2;
  std::vector<OutputRequest> outputs;
  std::vector<int32_t> rows;  // 1-based grid rows; empty: all
  std::string datePicture = "M/d/yyyy";
};

enum class Command { Help, Ports, Download };

struct CommandLine {
  Command command = Command::Help;
  DownloadOptions download;
};

// Parses the arguments after the program name. On a mistake returns false with a one-line
// message naming it.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

extern const char* const kUsage;
