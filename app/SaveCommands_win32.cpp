#include <windows.h>
#include <commdlg.h>

#include "DialogTemplate.h"
#include "Program.h"
#include "WideText.h"

namespace {

constexpr WORD kSaveAll = 4, kSaveSelected = 5;
const wchar_t* const kScopeLines[] = {L"You have selected (highlighted) some rows of data.",
                                      L"Do you want to save All rows to a file, or", L"just the Selected rows?"};

// Only a click on one of the two buttons answers; the window has no close box.
INT_PTR CALLBACK ScopeHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == kSaveAll) EndDialog(dialog, 1);
    if (LOWORD(wParam) == kSaveSelected) EndDialog(dialog, 2);
    return 1;
  }
  if (message == WM_CLOSE) {
    EndDialog(dialog, 0);
    return 1;
  }
  if (message == WM_INITDIALOG) {
    SetProgramIcon(dialog);
    return 1;
  }
  return 0;
}

int32_t RunSaveScopePrompt(HWND dataWindow) {
  DialogTemplate t(L"Save All or Selection?", WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 201, 98);
  for (WORD i = 0; i < 3; ++i) {
    t.Add(static_cast<WORD>(i + 1), kStatic, kScopeLines[i], SS_CENTER | SS_CENTERIMAGE, 0, 10,
          static_cast<short>(5 + 20 * i), 180, 15);
  }
  t.Add(kSaveAll, kButton, L"Save ALL Data", BS_PUSHBUTTON | WS_TABSTOP, 0, 5, 65, 80, 20);
  t.Add(kSaveSelected, kButton, L"Save only SELECTED", BS_PUSHBUTTON | WS_TABSTOP, 0, 120, 65, 75, 20);
  return static_cast<int32_t>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), dataWindow, ScopeHandler, 0));
}

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

void SaveReadings(HWND dataWindow, SaveFormat format) {
  Program& program = TheProgram();
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
