#include <windows.h>

#include <commdlg.h>

#include <algorithm>

#include "Program.h"
#include "WideText.h"

namespace {

std::wstring CurrentDirectory() {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

// The window the next save-file dialog of this thread opens over, and the hook that places it
// there as it is first activated: without an owner it would open in a corner. A hook of the
// dialog's own would give it the look of older Windows.
thread_local HWND placeOver = nullptr;
thread_local HHOOK placing = nullptr;

LRESULT CALLBACK PlaceOverDataWindow(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT next = CallNextHookEx(placing, code, wParam, lParam);
  if (code != HCBT_ACTIVATE) return next;
  const auto dialog = reinterpret_cast<HWND>(wParam);
  RECT mine{}, theirs{}, screen{};
  if (IsWindow(placeOver) && GetWindowRect(dialog, &mine) && GetWindowRect(placeOver, &theirs) &&
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0)) {
    const LONG width = mine.right - mine.left, height = mine.bottom - mine.top;
    const LONG x =
        std::clamp((theirs.left + theirs.right - width) / 2, screen.left, std::max(screen.left, screen.right - width));
    const LONG y =
        std::clamp((theirs.top + theirs.bottom - height) / 2, screen.top, std::max(screen.top, screen.bottom - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  UnhookWindowsHookEx(placing);  // the dialog's own questions stay where they open
  placing = nullptr;
  return next;
}

// The standard save-file dialog with the writer's one filter, over the data window but not
// owned by it; "" when the user cancels.
std::string ChooseSaveFile(HWND dataWindow, const SaveDialogText& dialog, const std::string& saveFolder) {
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
  placeOver = dataWindow;
  placing = SetWindowsHookExW(WH_CBT, PlaceOverDataWindow, nullptr, GetCurrentThreadId());
  const bool chosen = GetSaveFileNameW(&ofn);
  if (placing != nullptr) UnhookWindowsHookEx(placing);
  placing = nullptr;
  return chosen ? Narrow(path) : std::string();
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
  frontEnd.chooseFile = [dataWindow](const SaveDialogText& dialog, const std::string& folder) {
    return ChooseSaveFile(dataWindow, dialog, folder);
  };
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
