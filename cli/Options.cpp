#include "Options.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "ReadingTable.h"
#include "Timestamp.h"

const char* const kUsage =
    "usage: datapond-cli ports\n"
    "       datapond-cli download [--port PORT] [OPTIONS] [[--format F] --output FILE]...\n"
    "       datapond-cli archive [--archive DIR]\n"
    "       datapond-cli replay ID [OPTIONS but --port] [[--format F] --output FILE]...\n"
    "       datapond-cli history [FILTERS] [--daily | --monthly [--limits FILE]]\n"
    "                            [OPTIONS but --port and --rows] [[--format F] --output FILE]...\n"
    "       datapond-cli report [FILTERS] [--units U] [--sort ORDER] [--date-format P]\n"
    "                           [--time-format P] [--limits FILE] --output FILE.html\n"
    "       datapond-cli alarms [FILTERS] [--units U] [--limits FILE]\n"
    "       datapond-cli correct ID [--units mg/l|sat] [--downloaded YYYY-MM-DD] [--archive DIR]\n"
    "       datapond-cli sync [--archive DIR] --store STORE\n"
    "       datapond-cli --help | --version\n"
    "\n"
    "  ports                  list the serial ports that can be opened now, after a tab what the\n"
    "                         system knows of each: USB adapter, stable /dev/serial/by-id name\n"
    "  download               read every logged reading of the meter, keep them as the meter sent\n"
    "                         them, and save them\n"
    "  archive                list the kept downloads, oldest first: the ID first on each line\n"
    "  replay                 save a kept download again, exactly as its download saved it\n"
    "  history                every reading of every kept download, each once\n"
    "  report                 the history as one web page with a chart of each reading type\n"
    "  alarms                 the history's readings past their limits: a line a run of one\n"
    "                         location's readings past a limit, and status 8 when there are any\n"
    "  correct                mend a kept download's units or date: the change is added to\n"
    "                         corrections.txt beside the downloads, which never change\n"
    "  sync                   put the kept downloads and their corrections into the shared store,\n"
    "                         each once: it says how many it added and how many it had\n"
    "\n"
    "Options, as --option VALUE or --option=VALUE:\n"
    "  --port PORT            the meter's port or its /dev/serial/by-id name (default: the one used last)\n"
    "  --units mg/l|sat       the units a dissolved-oxygen meter logged in (else asked on a terminal);\n"
    "                         for replay, the download's units, also mending a wrong answer; for\n"
    "                         history, report and alarms, those of the downloads kept without an\n"
    "                         answer;\n"
    "                         for correct, the units the download should have had\n"
    "  --downloaded DATE      correct: the day the download was really read, YYYY-MM-DD, which\n"
    "                         places its readings in their year\n"
    "  --sort ORDER           the order of the rows, location-time by default (orders below)\n"
    "  --format F             text (aligned columns, the default), xls, xlsx, csv, tab or json\n"
    "                         (one object a reading a line, as --iso has it)\n"
    "  --output FILE          write FILE in the format of the --format before it, or of its name\n"
    "  --rows LIST            save only these rows, counted from 1 in sorted order, such as 1-5,9\n"
    "  --date-format PICTURE  the date from d dd M MM yy yyyy and separators (default M/d/yyyy)\n"
    "  --time-format PICTURE  the time from h hh H HH mm tt and separators (default hh:mm tt)\n"
    "  --decimal-comma        numbers with a decimal comma in the text formats\n"
    "  --delimiter C          the field separator of the csv format: , (default) ; or |\n"
    "  --encoding E           the text formats in windows-1252 (default) or utf-8\n"
    "  --iso                  for other programs: a row a reading in the columns location, time,\n"
    "                         type, units, value and temperature (degrees C, empty where the type\n"
    "                         has none), whatever the meter; times in ISO 8601 with this computer's\n"
    "                         offset from UTC then, decimal points, UTF-8; not for xls or xlsx,\n"
    "                         nor with the pictures, --decimal-comma or --encoding\n"
    "  --archive DIR          where downloads are kept (default: $DATAPOND_ARCHIVE, else\n"
    "                         $XDG_DATA_HOME/datapond/downloads, ~/.local/share/... without it)\n"
    "  --no-archive           do not keep this download\n"
    "  --quiet                nothing on standard error but what went wrong, as cron wants it\n"
    "  --daily, --monthly     history: each location's count, minimum, mean and maximum of each\n"
    "                         reading type a day or a month, rather than the readings, in their\n"
    "                         own order (no --sort); a month's days with a reading past a limit\n"
    "                         too, when there are limits\n"
    "  --limits FILE          history --monthly, report and alarms: the limits file (default: limits.txt in the\n"
    "                         folder of kept downloads), a line a limit such as\n"
    "                         \"ph: below 6.5, above 8.5\" or \"do-mgl at POND A: below 2\"\n"
    "  --store STORE          the shared PostgreSQL store, as libpq names one (\"host=db dbname=datapond\",\n"
    "                         \"service=datapond\"; passwords in ~/.pgpass): sync and download take\n"
    "                         $DATAPOND_STORE without it, and download syncs once it has kept;\n"
    "                         history, report and alarms read the store rather than the folder\n"
    "Filters of history, report and alarms, each but --since and --until repeatable:\n"
    "  --location NAME        the readings of this location\n"
    "  --type T               do-ppm do-sat do-mgl ss-low ss-high ph orp-us or orp-eur\n"
    "  --since YYYY-MM-DD     the readings of this day and later\n"
    "  --until YYYY-MM-DD     the readings of this day and earlier\n"
    "\n"
    "The orders are location-time, time, location-type-time, type-time and type-location-time.\n"
    "Without a --format before it, a file's name gives its format: .xls, .xlsx, .csv, .txt (text)\n"
    "or .tsv (tab), .json, .jsonl or .ndjson (json); --output - is standard output.\n"
    "A --format without an --output goes to standard output and comes before every --output;\n"
    "without any --output the aligned text goes there. On a terminal the text is shown in the\n"
    "terminal's character set. The separators of a picture are space . / - and :.\n"
    "\n"
    "Examples:\n"
    "  datapond-cli ports\n"
    "  datapond-cli download --port /dev/ttyUSB0 --units mg/l\n"
    "  datapond-cli download --port COM3 --output readings.xls --output readings.csv\n"
    "  datapond-cli download --sort time --rows 1-5,9 --format tab --output readings.txt\n"
    "  datapond-cli download --date-format dd.MM.yyyy --time-format HH:mm --decimal-comma\n"
    "               --delimiter ';' --encoding utf-8 --output readings.csv\n"
    "  datapond-cli archive\n"
    "  datapond-cli replay 20261207-101542-1 --units mg/l --output readings.xlsx\n"
    "  datapond-cli history --location A1 --since 2026-11-01 --output november.csv\n"
    "  datapond-cli history --since 2026-12-01 --iso --output december.csv --output december.json\n"
    "  datapond-cli report --type ph --output report.html\n"
    "  datapond-cli alarms --since 2026-12-01 --limits /srv/datapond/limits.txt\n"
    "  datapond-cli sync --store \"host=db.plant dbname=datapond\"\n"
    "  datapond-cli history --store \"host=db.plant dbname=datapond\" --output all.xlsx\n"
    "\n"
    "Exit status: 0 saved, 1 the meter could not be read, 2 a mistake in the command or a\n"
    "damaged kept download to replay, 3 no valid readings, 4 a file or standard output could\n"
    "not be written, 5 all was written but the download could not be kept, 6 all was written\n"
    "but damaged kept downloads were left out (archive, history, report, sync), 7 the store\n"
    "could not be reached or refused what was sent (a download is kept and saved all the same,\n"
    "and the next sync carries it), 8 (alarms) readings are past their limits.\n";

namespace {

const std::map<std::string, int32_t> kUnits = {{UnitsName(UnitsMgPerLitre), UnitsMgPerLitre},
                                               {UnitsName(UnitsPercentSaturation), UnitsPercentSaturation}};

const std::map<std::string, int32_t> kSorts = {
    {"location-type-time", 1}, {"location-time", 2}, {"type-location-time", 3}, {"type-time", 4}, {"time", 5}};

const std::map<std::string, char> kDelimiters = {{",", ','}, {";", ';'}, {"|", '|'}};

const std::map<std::string, Encoding> kEncodings = {{"windows-1252", Encoding::Windows1252}, {"utf-8", Encoding::Utf8}};

const std::map<std::string, SaveFormat> kFormats = {
    {"text", SaveFormat::ColumnText},    {"xls", SaveFormat::Spreadsheet},  {"xlsx", SaveFormat::Workbook},
    {"csv", SaveFormat::CommaDelimited}, {"tab", SaveFormat::TabDelimited}, {"json", SaveFormat::JsonLines}};

// What a file's extension says of its format, first the one taken when no --format is given.
const std::multimap<std::string, SaveFormat> kExtensions = {
    {".xls", SaveFormat::Spreadsheet}, {".xlsx", SaveFormat::Workbook},    {".csv", SaveFormat::CommaDelimited},
    {".txt", SaveFormat::ColumnText},  {".txt", SaveFormat::TabDelimited}, {".tsv", SaveFormat::TabDelimited},
    {".json", SaveFormat::JsonLines},  {".jsonl", SaveFormat::JsonLines},  {".ndjson", SaveFormat::JsonLines}};

// The commands that take options, each a bit of the options' masks below.
const std::map<std::string, Command> kCommands = {{"download", Command::Download}, {"archive", Command::Archive},
                                                  {"replay", Command::Replay},     {"history", Command::History},
                                                  {"report", Command::Report},     {"correct", Command::Correct},
                                                  {"sync", Command::Sync},         {"alarms", Command::Alarms}};

constexpr unsigned Bit(Command c) { return 1u << static_cast<unsigned>(c); }
constexpr unsigned kD = Bit(Command::Download), kA = Bit(Command::Archive), kR = Bit(Command::Replay),
                   kH = Bit(Command::History), kP = Bit(Command::Report), kC = Bit(Command::Correct),
                   kS = Bit(Command::Sync), kL = Bit(Command::Alarms);

struct OptionKind {
  bool takesValue;
  unsigned commands;  // the commands that take it
};

const std::map<std::string, OptionKind> kOptions = {
    {"--port", {true, kD}},
    {"--units", {true, kD | kR | kH | kP | kC | kL}},
    {"--sort", {true, kD | kR | kH | kP}},
    {"--format", {true, kD | kR | kH}},
    {"--output", {true, kD | kR | kH | kP}},
    {"--rows", {true, kD | kR}},
    {"--date-format", {true, kD | kR | kH | kP}},
    {"--time-format", {true, kD | kR | kH | kP}},
    {"--delimiter", {true, kD | kR | kH}},
    {"--encoding", {true, kD | kR | kH}},
    {"--decimal-comma", {false, kD | kR | kH}},
    {"--iso", {false, kD | kR | kH}},
    {"--archive", {true, kD | kA | kR | kH | kP | kC | kS | kL}},
    {"--store", {true, kD | kH | kP | kS | kL}},
    {"--limits", {true, kH | kP | kL}},
    {"--daily", {false, kH}},
    {"--monthly", {false, kH}},
    {"--downloaded", {true, kC}},
    {"--no-archive", {false, kD}},
    {"--location", {true, kH | kP | kL}},
    {"--type", {true, kH | kP | kL}},
    {"--since", {true, kH | kP | kL}},
    {"--until", {true, kH | kP | kL}},
    {"--help", {false, kD | kA | kR | kH | kP | kC | kS | kL}},
    {"--quiet", {false, kD | kA | kR | kH | kP | kC | kS | kL}},
};

// A date of the filters, as YYYY-MM-DD.
bool ParseDate(const std::string& option, const std::string& value, std::optional<CivilTime>& date,
               std::string& error) {
  CivilTime day;
  if (!ParseIsoDate(value, day)) {
    error = option + ": \"" + value + "\" is not a date written YYYY-MM-DD";
    return false;
  }
  date = day;
  return true;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

template <typename T>
std::string Names(const std::map<std::string, T>& choices) {
  std::string names;
  for (const auto& [name, value] : choices) names += (names.empty() ? "" : " ") + name;
  return names;
}

// A value from a fixed set; a mistake lists the set.
template <typename T>
bool Choose(const std::string& option, const std::map<std::string, T>& choices, const std::string& value, T& chosen,
            std::string& error) {
  const auto found = choices.find(value);
  if (found == choices.end()) {
    error = option + ": \"" + value + "\" is none of " + Names(choices);
    return false;
  }
  chosen = found->second;
  return true;
}

std::string Extension(const std::string& path) {
  const size_t dot = path.find_last_of("./\\");
  return dot == std::string::npos || path[dot] != '.' ? "" : Lower(path.substr(dot));
}

// One row number of an item of the list, counted from 1 up to what a meter can hold.
bool ParseRow(const std::string& text, const std::string& item, int32_t& row, std::string& error) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    error = "--rows: \"" + item + "\" is not a row number or a range such as 1-5";
    return false;
  }
  if (text.size() > 4 || std::stoi(text) > ReadingTable::kCapacity) {
    error = "--rows: there is no row " + text + ": a meter holds at most " + std::to_string(ReadingTable::kCapacity) +
            " readings";
    return false;
  }
  row = std::stoi(text);
  if (row < 1) error = "--rows: rows are counted from 1";
  return row >= 1;
}

// A list of rows and ranges: 1-5,9.
bool ParseRows(const std::string& list, std::vector<int32_t>& rows, std::string& error) {
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = std::min(list.find(',', at), list.size());
    const std::string item = list.substr(at, comma - at);
    const size_t dash = item.find('-');
    int32_t first = 0, last = 0;
    if (!ParseRow(item.substr(0, dash), item, first, error)) return false;
    if (dash == std::string::npos) {
      last = first;
    } else if (!ParseRow(item.substr(dash + 1), item, last, error)) {
      return false;
    } else if (last < first) {
      error = "--rows: the range " + item + " runs backwards";
      return false;
    }
    for (int32_t row = first; row <= last; ++row) {
      if (std::find(rows.begin(), rows.end(), row) != rows.end()) {
        error = "--rows: row " + std::to_string(row) + " is given twice";
        return false;
      }
      rows.push_back(row);
    }
    at = comma + 1;
  }
  return true;
}

bool ParsePicture(const std::string& option, const std::string& value, bool (*valid)(const std::string&),
                  const char* fields, std::string& picture, std::string& error) {
  if (!valid(value)) {
    error = option + ": \"" + value + "\" is not a picture of " + fields + " with the separators " + kPictureSeparators;
    return false;
  }
  // A 12-hour clock without AM or PM writes 01:30 for both 1:30 and 13:30.
  if (value.find('h') != std::string::npos && value.find("tt") == std::string::npos) {
    error = option + ": \"" + value +
            "\" has a 12-hour clock (h) without tt, so 1:30 and 13:30 would read alike: " + "add tt or use H";
    return false;
  }
  picture = value;
  return true;
}

// Pairs each --output with the --format before it or with the format its name says. A
// --format left without an --output goes to standard output, and only one of those that
// come before every --output can mean that.
class OutputPairing {
 public:
  bool Format(SaveFormat format, const std::string& name, std::string& error) {
    if (!ToStandardOutput(error)) return false;
    pending_ = format;
    pendingName_ = name;
    return true;
  }

  bool Output(const std::string& path, std::vector<OutputRequest>& outputs, std::string& error) {
    if (path.empty()) {
      error = "--output needs a file name";
      return false;
    }
    if (path == "-") {  // standard output, as scripts write it
      standardOutput_.push_back({pending_ ? *pending_ : SaveFormat::ColumnText, ""});
      pending_.reset();
      outputSeen_ = true;
      return true;
    }
    const std::string extension = Extension(path);
    const auto [first, end] = kExtensions.equal_range(extension);
    if (!pending_ && first == end) {
      error = "--output " + path + ": say which format with --format " + Names(kFormats) +
              " before it, or end the name in .xls, .xlsx, .csv, .txt, .tsv, .json, .jsonl or .ndjson";
      return false;
    }
    if (pending_ && first != end && std::none_of(first, end, [this](const auto& e) { return e.second == *pending_; })) {
      error = "--output " + path + " is not a name for --format " + pendingName_;
      return false;
    }
    outputs.push_back({pending_ ? *pending_ : first->second, path});
    pending_.reset();
    outputSeen_ = true;
    return true;
  }

  bool Finish(std::vector<OutputRequest>& outputs, std::string& error) {
    if (!ToStandardOutput(error)) return false;
    outputs.insert(outputs.begin(), standardOutput_.begin(), standardOutput_.end());
    if (outputs.empty()) outputs.push_back({});
    if (standardOutput_.size() > 1) {
      error = "only one format can go to standard output; give the others an --output";
      return false;
    }
    return true;
  }

 private:
  bool ToStandardOutput(std::string& error) {
    if (!pending_) return true;
    if (outputSeen_) {
      error = "--format " + pendingName_ + " has no --output after it: give each --format just before its --output";
      return false;
    }
    standardOutput_.push_back({*pending_, ""});
    pending_.reset();
    return true;
  }

  std::optional<SaveFormat> pending_;
  std::string pendingName_;
  bool outputSeen_ = false;
  std::vector<OutputRequest> standardOutput_;
};

// Every option as given, before it goes to the record of its command.
struct Given {
  std::string port, id, reportPath, store, limits;
  std::optional<Period> figures;
  bool keep = true, quiet = false;
  KeptOptions kept;
  WriteOptions write;
  HistoryFilter filter;
  std::optional<CivilTime> downloadedOn;
};

bool ApplyOption(Command command, const std::string& option, const std::string& value, Given& d, OutputPairing& pairing,
                 std::string& error) {
  if (option == "--output" && command == Command::Report) {
    if (!d.reportPath.empty()) {
      error = "--output is given twice: a report is one page";
      return false;
    }
    d.reportPath = value;
    const std::string extension = Extension(value);
    if (extension != ".html" && extension != ".htm") error = "--output " + value + ": a report is a page named .html";
    return error.empty();
  }
  if (option == "--archive") {
    d.kept.archiveFolder = value;
    if (value.empty()) error = "--archive needs a folder";
    return !value.empty();
  }
  if (option == "--store") {
    d.store = value;
    if (value.empty()) error = "--store needs the store's connection string, such as \"dbname=datapond\"";
    return !value.empty();
  }
  if (option == "--limits") {
    d.limits = value;
    if (value.empty()) error = "--limits needs the limits file";
    return !value.empty();
  }
  if (option == "--daily" || option == "--monthly") {
    if (d.figures) error = "--daily and --monthly: one of them";
    d.figures = option == "--daily" ? Period::Day : Period::Month;
    return error.empty();
  }
  if (option == "--quiet") {
    d.quiet = true;
    return true;
  }
  if (option == "--no-archive") {
    d.keep = false;
    return true;
  }
  if (option == "--location") {
    d.filter.locations.push_back(value);
    return true;
  }
  if (option == "--type") {
    uint16_t code = 0;
    if (!ParseReadingTypeName(value, code)) {
      error = "--type: \"" + value + "\" is none of " + ReadingTypeNames();
      return false;
    }
    d.filter.types.push_back(code);
    return true;
  }
  if (option == "--since") return ParseDate(option, value, d.filter.since, error);
  if (option == "--until") return ParseDate(option, value, d.filter.until, error);
  if (option == "--downloaded") return ParseDate(option, value, d.downloadedOn, error);
  if (option == "--port") {
    d.port = value;
    // No device is named so, and a kept download must be able to name its port on one line.
    // no-mutate(c >= 0): no argument holds a NUL
    const bool control =
        std::any_of(value.begin(), value.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; });
    if (control) error = "--port: a port name has no control characters";
    if (value.empty()) error = "--port needs a port name";
    return error.empty();
  }
  if (option == "--units") return Choose(option, kUnits, value, d.kept.units, error);
  if (option == "--sort") return Choose(option, kSorts, value, d.write.sortPriority, error);
  if (option == "--format") {
    SaveFormat format{};
    return Choose(option, kFormats, value, format, error) && pairing.Format(format, value, error);
  }
  if (option == "--output") return pairing.Output(value, d.write.outputs, error);
  if (option == "--rows") return ParseRows(value, d.write.rows, error);
  if (option == "--date-format") {
    return ParsePicture(option, value, IsDatePicture, kDatePictureFields, d.write.datePicture, error);
  }
  if (option == "--time-format") {
    return ParsePicture(option, value, IsTimePicture, kTimePictureFields, d.write.timePicture, error);
  }
  if (option == "--delimiter") return Choose(option, kDelimiters, value, d.write.delimiter, error);
  if (option == "--encoding") return Choose(option, kEncodings, value, d.write.encoding, error);
  if (option == "--decimal-comma") {
    d.write.decimalComma = true;
    return true;
  }
  if (option == "--iso") {
    d.write.iso = true;
    return true;
  }
  // Only an option of the table reaches here, so one missing above is this file's own fault.
  error = "internal error: " + option + " has no meaning";
  return false;
}

// What only the whole command line shows; `given` holds the options given.
bool CheckTogether(const WriteOptions& d, const std::set<std::string>& given, bool figures, std::string& error) {
  const auto writes = [&d](SaveFormat format) {
    return std::any_of(d.outputs.begin(), d.outputs.end(),
                       [format](const OutputRequest& o) { return o.format == format; });
  };
  const bool csv = writes(SaveFormat::CommaDelimited);
  if (figures && given.count("--sort") != 0) {
    error = "--sort is for readings: the figures come by location, type and day or month";
    return false;
  }
  if (figures && (d.iso || writes(SaveFormat::JsonLines))) {
    error = std::string(d.iso ? "--iso" : "--format json") + " is for readings, not for --daily or --monthly figures";
    return false;
  }
  // The forms of the grid's texts, where no output would show them, are a mistake in the command.
  const bool text =
      writes(SaveFormat::CommaDelimited) || writes(SaveFormat::TabDelimited) || writes(SaveFormat::ColumnText);
  const bool pictured = text || writes(SaveFormat::Workbook);  // xls and json have times of their own
  const struct {
    const char* option;
    bool shown;
    const char* what;
  } forms[] = {{"--decimal-comma", text, "the text formats (text, csv, tab)"},
               {"--encoding", text, "the text formats (text, csv, tab)"},
               {"--date-format", pictured, "the times of text, csv, tab and xlsx"},
               {"--time-format", pictured, "the times of text, csv, tab and xlsx"}};
  for (const auto& form : forms) {
    if (given.count(form.option) == 0) continue;
    // --iso fixes its times, numbers and characters, so other programs read every file alike.
    if (d.iso)
      error = std::string(form.option) + " cannot go with --iso, which writes ISO 8601 times, decimal points and UTF-8";
    if (!d.iso && !form.shown) error = std::string(form.option) + " is for " + form.what + ", and none is written";
    if (!error.empty()) return false;
  }
  if (d.iso && (writes(SaveFormat::Spreadsheet) || writes(SaveFormat::Workbook))) {
    error = "--iso is for the text formats and json; a workbook shows times as its spreadsheet program does";
    return false;
  }
  if (given.count("--delimiter") != 0 && !csv) {
    error = "--delimiter is for the csv format, and no csv is written";
    return false;
  }
  if (d.decimalComma && csv && d.delimiter == ',') {
    error =
        "--decimal-comma with the csv format needs another --delimiter, such as ';': commas would split the numbers";
    return false;
  }
  for (size_t i = 0; i < d.outputs.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (!d.outputs[i].path.empty() && d.outputs[i].path == d.outputs[j].path) {
        error = "--output " + d.outputs[i].path + " is given twice";
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    line.command = Command::Help;
    return true;
  }
  if (args[0] == "--version") {
    line.command = Command::Version;
    if (args.size() == 1) return true;
    error = "--version takes no options";
    return false;
  }
  if (args[0] == "ports") {
    line.command = Command::Ports;
    if (args.size() == 1) return true;
    error = "ports takes no options";
    return false;
  }
  const auto command = kCommands.find(args[0]);
  if (command == kCommands.end()) {
    error = "unknown command \"" + args[0] + "\"";
    return false;
  }
  line.command = command->second;
  Given d;
  OutputPairing pairing;
  std::set<std::string> given;
  size_t first = 1;
  if (line.command == Command::Replay || line.command == Command::Correct) {
    if (args.size() >= 2 && (args[1] == "--help" || args[1] == "-h")) {
      line.command = Command::Help;
      return true;
    }
    if (args.size() < 2 || args[1].starts_with("--")) {
      error = args[0] + " needs the ID of a kept download (see datapond-cli archive)";
      return false;
    }
    d.id = args[1];
    first = 2;
  }
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i] == "-h") {
      line.command = Command::Help;
      return true;
    }
    if (!args[i].starts_with("--")) {
      error = "unexpected \"" + args[i] + "\"";
      return false;
    }
    const size_t equals = args[i].find('=');
    const std::string option = args[i].substr(0, equals);
    const auto known = kOptions.find(option);
    if (known == kOptions.end()) {
      error = "unknown option " + option;
      return false;
    }
    if ((known->second.commands & Bit(line.command)) == 0) {
      error = option + " is not an option of " + args[0];
      return false;
    }
    const bool takesValue = known->second.takesValue;
    if (!takesValue && equals != std::string::npos) {
      error = option + " takes no value";
      return false;
    }
    if (takesValue && equals == std::string::npos && i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    if (option == "--help") {
      line.command = Command::Help;
      return true;
    }
    // A value that is itself an option is one the user forgot: "--port --no-archive".
    if (takesValue && equals == std::string::npos && args[i + 1].starts_with("--")) {
      error = option + " needs a value, not the option " + args[i + 1];
      return false;
    }
    const std::string value = !takesValue ? "" : equals != std::string::npos ? args[i].substr(equals + 1) : args[++i];
    given.insert(option);
    if (!ApplyOption(line.command, option, value, d, pairing, error)) return false;
  }
  if (line.command == Command::History && !d.limits.empty() && d.figures != Period::Month) {
    error = "--limits is for history --monthly: the days past a limit";
    return false;
  }
  if (line.command == Command::Report && d.reportPath.empty()) {
    error = "report needs --output FILE.html";
    return false;
  }
  if (line.command == Command::Correct && d.kept.units == UnitsNotAsked && !d.downloadedOn) {
    error = "correct needs --units or --downloaded: what is to be mended";
    return false;
  }
  if (d.filter.since && d.filter.until && TimestampOf(*d.filter.until) < TimestampOf(*d.filter.since)) {
    error = "--until is before --since";
    return false;
  }
  if (!pairing.Finish(d.write.outputs, error) || !CheckTogether(d.write, given, d.figures.has_value(), error))
    return false;
  line.quiet = d.quiet;
  switch (line.command) {
    case Command::Download: line.download = {d.port, d.keep, d.kept, d.write, d.store}; break;
    case Command::Archive: line.archive = {d.kept}; break;
    case Command::Replay: line.replay = {d.id, d.kept, d.write}; break;
    case Command::History: line.history = {d.filter, d.kept, d.write, d.store, d.figures, d.limits}; break;
    case Command::Report: line.report = {d.reportPath, d.filter, d.kept, d.write, d.store, d.limits}; break;
    case Command::Alarms: line.alarms = {d.filter, d.kept, d.store, d.limits}; break;
    case Command::Correct: line.correct = {d.id, d.kept, d.downloadedOn}; break;
    case Command::Sync: line.sync = {d.kept, d.store}; break;
    case Command::Help:
    case Command::Version:
    case Command::Ports: break;
  }
  return true;
}
