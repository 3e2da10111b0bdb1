#include <windows.h>

#include "Program.h"
#include "resource.h"

namespace {

constexpr SIZE_T kHelpStack = 1048576;

}  // namespace

// The one place where a menu command becomes its action; the notification code is not looked at.
int DataWindowCommand(HWND window, Program& program, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDM_PRINT: PrintReadings(window, program); return 1;
    case IDM_SAVE_XLS: SaveReadings(window, program, SaveFormat::Spreadsheet); return 1;
    case IDM_SAVE_CSV: SaveReadings(window, program, SaveFormat::CommaDelimited); return 1;
    case IDM_SAVE_TAB: SaveReadings(window, program, SaveFormat::TabDelimited); return 1;
    case IDM_SAVE_TEXT: SaveReadings(window, program, SaveFormat::ColumnText); return 1;
    case IDM_SORT:
      if (const int32_t priority = RunSortDialog(window, program.table); priority != 0) {
        program.table.sortPriority = priority;
        RefillGrid(window, program);
      }
      return 1;
    case IDM_HELP:
      // Each click opens one more help window on a thread of its own, not waited for.
      if (HANDLE thread = CreateThread(nullptr, kHelpStack, HelpThread, nullptr, 0, nullptr)) CloseHandle(thread);
      return 1;
    default: return 0;
  }
}
