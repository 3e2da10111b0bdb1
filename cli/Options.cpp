#include "Options.h"

#include <algorithm>
#include <map>

const char* const kUsage =
    "usage: datapond-cli ports\n"
    "       datapond-cli download [--port PORT] [--units mg/l|sat] [--sort ORDER]\n"
    "                             [--format text|xls|csv|tab [--output FILE]]...\n"
    "                             [--rows N,N,...] [--date-format PICTURE]\n"
    "\n"
    "  ports            list the serial ports that can be opened now\n"
    "  download         read every logged reading of the meter on PORT (default: the port\n"
    "                   used last) and write them in each FORMAT to FILE or standard output\n"
    "  --units          the dissolved-oxygen units the meter logged in (asked if not given)\n"
    "  --sort           location-time (default), time, location-type-time, type-time,\n"
    "                   type-location-time\n"
    "  --format         text: aligned columns (default); xls: XML spreadsheet;\n"
    "                   csv: comma delimited; tab: tab delimited. Repeat with --output\n"
    "                   to save several formats from one download\n"
    "  --rows           save only these rows (1-based, in sorted order)\n"
    "  --date-format    the short-date picture, such as M/d/yyyy (default) or dd.MM.yyyy\n"
    "\n"
    "Exit status: 0 saved, 1 the meter could not be read, 2 usage, 3 no valid readings,\n"
    "4 a file could not be written.\n";

namespace {

const std::map<std::string, int32_t> kSorts = {
    {"location-type-time", 1}, {"location-time", 2}, {"type-location-time", 3}, {"type-time", 4}, {"time", 5}};

const std::map<std::string, SaveFormat> kFormats = {{"text", SaveFormat::ColumnText},
                                                    {"xls", SaveFormat::Spreadsheet},
                                                    {"csv", SaveFormat::CommaDelimited},
                                                    {"tab", SaveFormat::TabDelimited}};

bool ParseRows(const std::string& list, std::vector<int32_t>& rows, std::string& error) {
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = std::min(list.find(',', at), list.size());
    const std::string item = list.substr(at, comma - at);
    if (item.empty() || item.size() > 4 ||
        !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      error = "--rows: \"" + item + "\" is not a row number";
      return false;
    }
    const int32_t row = std::stoi(item);
    if (row < 1) {
      error = "--rows: rows are counted from 1";
      return false;
    }
    if (std::find(rows.begin(), rows.end(), row) != rows.end()) {
      error = "--rows: row " + item + " is given twice";
      return false;
    }
    rows.push_back(row);
    at = comma + 1;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    line.command = Command::Help;
    return true;
  }
  if (args[0] == "ports") {
    line.command = Command::Ports;
    if (args.size() > 1) error = "ports takes no options";
    return args.size() == 1;
  }
  if (args[0] != "download") {
    error = "unknown command \"" + args[0] + "\"";
    return false;
  }
  line.command = Command::Download;
  DownloadOptions& d = line.download;
  bool outputGiven = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      line.command = Command::Help;
      return true;
    }
    if (i + 1 >= args.size() || option.rfind("--", 0) != 0) {
      error = option.rfind("--", 0) == 0 ? option + " needs a value" : "unexpected \"" + option + "\"";
      return false;
    }
    const std::string& value = args[++i];
    if (option == "--port") {
      d.port = value;
    } else if (option == "--units") {
      if (value != "mg/l" && value != "sat") {
        error = "--units must be mg/l or sat";
        return false;
      }
      d.units = value == "mg/l" ? 1 : 2;
    } else if (option == "--sort") {
      const auto sort = kSorts.find(value);
      if (sort == kSorts.end()) {
        error = "--sort: unknown order \"" + value + "\"";
        return false;
      }
      d.sortPriority = sort->second;
    } else if (option == "--format") {
      const auto format = kFormats.find(value);
      if (format == kFormats.end()) {
        error = "--format must be text, xls, csv or tab";
        return false;
      }
      d.outputs.push_back({format->second, ""});
      outputGiven = false;
    } else if (option == "--output") {
      if (value.empty() || outputGiven) {
        error = value.empty() ? "--output needs a file name" : "--output given twice for one --format";
        return false;
      }
      if (d.outputs.empty()) d.outputs.push_back({});
      d.outputs.back().path = value;
      outputGiven = true;
    } else if (option == "--rows") {
      if (!ParseRows(value, d.rows, error)) return false;
    } else if (option == "--date-format") {
      d.datePicture = value;
    } else {
      error = "unknown option " + option;
      return false;
    }
  }
  if (d.outputs.empty()) d.outputs.push_back({});
  const auto toScreen =
      std::count_if(d.outputs.begin(), d.outputs.end(), [](const OutputRequest& o) { return o.path.empty(); });
  if (toScreen > 1) {
    error = "only one format can go to standard output; give the others an --output";
    return false;
  }
  return true;
}
