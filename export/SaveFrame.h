#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "ReadingGrid.h"
#include "ReadingTable.h"

// The program's four formats, and the Office Open XML workbook and the JSON lines (one object a
// row, its keys the column headers) of datapond-cli.
enum class SaveFormat { Spreadsheet, CommaDelimited, TabDelimited, ColumnText, Workbook, JsonLines };

// The rows a worksheet holds, the captions' row among them, in the spreadsheet programs that
// open the two workbook formats; more readings go on in further sheets, each under its captions.
constexpr size_t kSheetRows = 1'048'576;

// What the save-file dialog of a format shows.
struct SaveDialogText {
  const char* title;
  const char* filterName;
  const char* filterPattern;
  const char* defaultExtension;
};
const SaveDialogText& SaveDialogOf(SaveFormat format);

using TextEncoder = std::function<std::string(const std::string& utf8)>;

// How the text formats spell the grid's texts. The defaults are the program's own files;
// datapond-cli changes them on request for spreadsheets set up for other countries.
struct TextForm {
  // The code page of the front end's toAnsi, or UTF-8, in which the aligned columns count
  // characters rather than bytes; with the byte-order mark spreadsheet programs take a .csv
  // as UTF-8.
  enum class Encoding { CodePage, Utf8, Utf8WithMark } encoding = Encoding::CodePage;
  char decimalSeparator = '.';  // in the cells of values and temperatures
  char commaDelimiter = ',';    // between the fields of the comma-delimited format
  // How the workbook shows the time column: the grid's date and time pictures in its terms.
  std::string workbookDateTime = "[$-409]m\\/d\\/yyyy hh\\:mm AM/PM";
};

// The questions a save asks and what it tells. Every member must be given, except
// toAnsi where the text files' code page is Windows-1252, and textForm.
struct SaveFrontEnd {
  std::function<int32_t()> scopePrompt;  // asked only when rows are selected: 1 all, 2 selected, else no save
  std::function<std::string(const SaveDialogText&, const std::string& folder)> chooseFile;  // "" cancels
  std::function<void(const std::string& folder)> rememberFolder;  // SaveFolder, then SaveDefaults
  TextEncoder toAnsi;
  TextForm textForm;
};

enum class SaveOutcome { Cancelled, Saved, Failed };

struct SaveResult {
  SaveOutcome outcome = SaveOutcome::Cancelled;
  std::string path;
  std::string reason;  // why the file could not be written
};

// One save, whatever the format: the scope (the selected grid rows, 1-based, collected
// before any window opened), the file choice, the file's bytes, and then, only when the
// file was written, the data marked saved and its folder remembered.
SaveResult RunSave(SaveFormat format, ReadingTable& table, const GridTexts& grid,
                   const std::vector<int32_t>& selectedRows, const std::string& saveFolder,
                   const SaveFrontEnd& frontEnd, const FileSystem& files);

// The maker of a file in the given format holding the given 1-based grid rows, in order; it
// holds on to the table, grid and rows it is given.
FileMaker SaveFileMaker(SaveFormat format, const ReadingTable& table, const GridTexts& grid,
                        const std::vector<int32_t>& rows, const TextEncoder& toAnsi, const TextForm& form = {});

// The bytes of a file in the given format holding the given 1-based grid rows, in order.
std::string SaveFileBytes(SaveFormat format, const ReadingTable& table, const GridTexts& grid,
                          const std::vector<int32_t>& rows, const TextEncoder& toAnsi, const TextForm& form = {});
