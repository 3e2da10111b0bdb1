#include <windows.h>

#include <commdlg.h>

#include "Program.h"
#include "WideText.h"

namespace {

std::wstring CurrentDirectory() {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

// The standard save-file dialog with the writer's one filter; "" when the user cancels.
std::string ChooseSaveFile(const SaveDialogText& dialog, const std::string& saveFolder) {
  const std::wstring name = Widen(dialog.filterName), pattern = Widen(dialog.filterPattern);
  std::wstring filter = name + L'\0' + pattern + L'\0' + L'\0';
  const std::wstring title = Widen(dialog.title);
  const std::wstring extension = Widen(dialog.defaultExtension).substr(1);  // the dialog wants it without the dot
  const std::wstring folder = saveFolder.empty() ? CurrentDirectory() : Widen(saveFolder);
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.lpstrDefExt = extension.c_str();
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT | OFN_NOTESTFILECREATE | OFN_EXPLORER | OFN_ENABLESIZING |
              OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  return GetSaveFileNameW(&ofn) ? Narrow(path) : std::string();
}

}  // namespace

void SaveReadings(HWND dataWindow, Program& program, SaveFormat format) {
  // The save-file dialog has no owner, so a Delete or Sort may change the grid while it is
  // open: the file holds the readings and texts the grid showed when the command started.
  ReadingTable table = program.table;
  const GridTexts grid = program.grid;
  const std::vector<int32_t> selected = SelectedRows(dataWindow);
  SaveFrontEnd frontEnd;
  frontEnd.scopePrompt = [dataWindow] { return RunSaveScopePrompt(dataWindow); };
  frontEnd.chooseFile = ChooseSaveFile;
  frontEnd.rememberFolder = [&program](const std::string& folder) {
    program.defaults.SaveFolder = folder;
    SaveDefaults(program.defaults, program.files);
  };
  frontEnd.toAnsi = program.files.toSystemText;
  const SaveResult result =
      RunSave(format, table, grid, selected, program.defaults.SaveFolder, frontEnd, program.files);
  if (result.outcome == SaveOutcome::Saved) program.table.dataSaved = 1;
  if (result.outcome == SaveOutcome::Failed) {
    ShowError(dataWindow, "The data could not be saved to " + result.path + ": " + result.reason);
  }
}
