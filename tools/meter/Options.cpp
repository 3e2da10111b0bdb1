#include "Options.h"

#include <charconv>
#include <string_view>

const char usageText[] =
    "usage: datapond-meter [--kind do|ss|multi] [--no-identify] [--records FILE] [--silent]\n"
    "                      [--stop-after N] [--slow MS] [--garbage] [--bad-lrc N] [--pace] [--link PATH]\n"
    "\n"
    "Simulates a Brevanta meter (Modbus ASCII slave 1, 9600 8N1) on a pseudo-terminal and prints\n"
    "the terminal's path as its first line. Stops on SIGTERM or SIGINT.\n"
    "\n"
    "  --kind do|ss|multi  dissolved oxygen (50 records of 7 registers), suspended solids\n"
    "                      (50 of 6) or multiparameter (250 of 8, the default)\n"
    "  --no-identify       answer Report Slave ID with an exception, as older meters do\n"
    "  --records FILE      one record per line as its registers in hex words, '#' comments;\n"
    "                      records not given are empty (all FFFF); default: a demonstration log\n"
    "  --silent            never answer\n"
    "  --stop-after N      answer the first N requests, then nothing\n"
    "  --slow MS           pause MS milliseconds before each character pair after the ':'\n"
    "  --garbage           send a few noise bytes before the ':' of every reply\n"
    "  --bad-lrc N         send reply N (counted from 1) with a wrong LRC\n"
    "  --pace              send replies at the real 9600 baud character rate\n"
    "  --link PATH         also make PATH a symbolic link to the terminal while running\n"
    "  --version           show the version, and exit\n";

namespace {

bool ParseCount(std::string_view text, long lowest, long highest, long& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= lowest && value <= highest;
}

}  // namespace

OptionsResult ParseOptions(std::span<const char* const> args, Options& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view option = args[i];
    auto needValue = [&]() -> const char* {
      if (i + 1 < args.size() && args[i + 1][0] != '\0') return args[++i];
      error = std::string(option) + " needs a value";
      return nullptr;
    };
    auto needCount = [&](long lowest, long highest, long& value) {
      const char* text = needValue();
      if (text == nullptr) return false;
      if (ParseCount(text, lowest, highest, value)) return true;
      error = std::string(option) + ": '" + text + "' is not a whole number from " + std::to_string(lowest) + " to " +
              std::to_string(highest);
      return false;
    };

    if (option == "--help" || option == "-h") return OptionsResult::Help;
    if (option == "--version") return OptionsResult::Version;
    if (option == "--kind") {
      const char* kind = needValue();
      if (kind == nullptr) return OptionsResult::Invalid;
      std::string_view k = kind;
      if (k == "do") {
        options.kind = MeterKind::DissolvedOxygen;
      } else if (k == "ss") {
        options.kind = MeterKind::SuspendedSolids;
      } else if (k == "multi") {
        options.kind = MeterKind::MultiParameter;
      } else {
        error = "--kind: '" + std::string(k) + "' is not do, ss or multi";
        return OptionsResult::Invalid;
      }
    } else if (option == "--no-identify") {
      options.identifies = false;
    } else if (option == "--records" || option == "--link") {
      const char* path = needValue();
      if (path == nullptr) return OptionsResult::Invalid;
      (option == "--records" ? options.recordsPath : options.linkPath) = path;
    } else if (option == "--silent") {
      options.faults.silent = true;
    } else if (option == "--stop-after") {
      if (!needCount(0, 1'000'000'000L, options.faults.stopAfter)) return OptionsResult::Invalid;
    } else if (option == "--slow") {
      long ms = 0;
      if (!needCount(0, 60'000, ms)) return OptionsResult::Invalid;
      options.faults.slowMs = static_cast<int>(ms);
    } else if (option == "--garbage") {
      options.faults.garbage = true;
    } else if (option == "--bad-lrc") {
      if (!needCount(1, 1'000'000'000L, options.faults.badLrcReply)) return OptionsResult::Invalid;
    } else if (option == "--pace") {
      options.faults.pace = true;
    } else {
      error = "unknown option '" + std::string(option) + "'";
      return OptionsResult::Invalid;
    }
  }
  return OptionsResult::Run;
}
