#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Ansi.h"
#include "MemoryFiles.h"
#include "SaveFrame.h"
#include "Tables.h"
#include "Workbook.h"
#include "WriterParts.h"

namespace {

const Calendar kSaveFrameCalendar = UsCalendar({2024, 3, 20, 12, 0});

struct Saving {
  MemoryFiles disk;
  ReadingTable table;
  GridTexts grid;
  std::string chosen = Native("/data/run1.csv");
  int32_t scopeAnswer = 2;
  int prompts = 0;
  std::vector<std::string> remembered;

  Saving() {
    std::vector<Reading> readings;
    for (int i = 0; i < 10; ++i) {
      readings.push_back(At(("L" + std::to_string(i)).c_str(), 35, static_cast<float>(i), 0, {2024, 3, 1, 10, 0}));
    }
    table = Table(MeterKind::SuspendedSolids, readings);
    grid = fillGrid(table, kSaveFrameCalendar);
  }

  SaveResult Save(const std::vector<int32_t>& selected) {
    SaveFrontEnd f;
    f.scopePrompt = [this] { return ++prompts, scopeAnswer; };
    f.chooseFile = [this](const SaveDialogText& dialog, const std::string& folder) {
      EXPECT_STREQ(dialog.title, "Save As .csv");
      EXPECT_EQ(folder, "/start/");
      return chosen;
    };
    f.rememberFolder = [this](const std::string& folder) { remembered.push_back(folder); };
    return RunSave(SaveFormat::CommaDelimited, table, grid, selected, "/start/", f, disk.Seam());
  }

  std::string Lines() { return disk.files.count(chosen) ? disk.files[chosen] : "(none)"; }
};

std::string Rows(std::initializer_list<int> rows) {
  std::string text = "Location,Time,SS (mg/l)\r\n";
  for (int r : rows)
    text += std::string("L") + std::to_string(r - 1) + ",3/1/2024 10:00 AM," + std::to_string(r - 1) + "\r\n";
  return text;
}

TEST(RunSave, ScopeOfTheSelection) {
  struct Case {
    const char* name;
    std::vector<int32_t> selected;
    int32_t answer;
    int prompts;
    std::string bytes;
  } cases[] = {
      {"no selection", {}, 2, 0, Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
      {"selected, only those", {9, 2, 5, 5}, 2, 1, Rows({2, 5, 9})},
      {"selected, all", {9, 2, 5}, 1, 1, Rows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
      {"rows gone meanwhile", {3, 11, 0}, 2, 1, Rows({3})},
  };
  for (const Case& c : cases) {
    Saving s;
    s.scopeAnswer = c.answer;
    const SaveResult result = s.Save(c.selected);
    EXPECT_EQ(result.outcome, SaveOutcome::Saved) << c.name;
    EXPECT_EQ(s.prompts, c.prompts) << c.name;
    EXPECT_EQ(s.Lines(), c.bytes) << c.name;
    EXPECT_EQ(s.table.dataSaved, 1) << c.name;
    EXPECT_EQ(s.remembered, std::vector<std::string>{Native("/data/")}) << c.name;
  }
}

// The quit question must still protect the readings of a save that did not happen: one whose
// scope question was closed unanswered, whose file choice was cancelled, or that failed.
TEST(RunSave, CancelledOrFailedChangesNothing) {
  for (const auto& [answer, chosen] : {std::pair{0, Native("/data/run1.csv")}, std::pair{3, Native("/data/run1.csv")},
                                       std::pair{2, std::string()}, std::pair{2, Native("/locked/run1.csv")}}) {
    Saving s;
    s.scopeAnswer = answer;
    s.chosen = chosen;
    const SaveResult result = s.Save({1});
    const bool failed = chosen.starts_with(Native("/locked"));
    EXPECT_EQ(result.outcome, failed ? SaveOutcome::Failed : SaveOutcome::Cancelled);
    EXPECT_EQ(result.reason, failed ? "Permission denied" : "");
    EXPECT_EQ(result.path, answer == 2 ? chosen : "");
    EXPECT_TRUE(s.disk.files.empty());
    EXPECT_EQ(s.table.dataSaved, 0);
    EXPECT_TRUE(s.remembered.empty());
  }
}

// A large file is written a piece at a time: whatever the pieces, the same bytes, and a write
// that fails ends the making of rows nobody will read.
TEST(MakeFile, PiecesMakeTheWholeFileAndAFailureStopsThem) {
  class Sink : public FileSink {
   public:
    explicit Sink(int fineFor) : fineFor_(fineFor) {}
    bool put(std::string_view bytes) override { return bytes_ += bytes, ++puts_ <= fineFor_; }
    bool putAt(uint64_t offset, std::string_view bytes) override {
      bytes_.replace(static_cast<size_t>(offset), bytes.size(), bytes);
      return true;
    }
    std::string bytes_;
    int puts_ = 0;

   private:
    int fineFor_;
  };
  Saving s;
  const std::vector<int32_t> rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const TextForm form;
  const std::vector<std::function<WriterParts()>> formats = {
      [&] { return SpreadsheetParts(s.table, s.grid); },
      [&] { return DelimitedParts(s.grid, ',', Utf8ToWindows1252, form); },
      [&] { return ColumnTextParts(s.grid, Utf8ToWindows1252, form); },
      [&] { return WorkbookParts(s.table, s.grid, rows, form.workbookDateTime); }};
  for (size_t f = 0; f < formats.size(); ++f) {
    Sink whole(1000);
    MakeFile(formats[f](), rows, whole);
    Sink pieces(1000);
    MakeFile(formats[f](), rows, pieces, "", 1);
    EXPECT_EQ(pieces.puts_, 11) << f;
    EXPECT_EQ(pieces.bytes_, whole.bytes_) << f;
    int made = 0;
    WriterParts counted = formats[f]();
    counted.row = [&made, row = counted.row](std::string& out, int32_t r) { ++made, row(out, r); };
    Sink failing(2);
    MakeFile(counted, rows, failing, "", 1);
    EXPECT_EQ(made, 3) << f;
    EXPECT_EQ(failing.puts_, 3) << f;
  }
}

}  // namespace
