#include <windows.h>

#include "Program.h"

namespace {

constexpr WORD kPrint = 1015, kSaveXls = 1017, kSaveCsv = 1018, kSaveTab = 1016, kSaveText = 1023;
constexpr WORD kSort = 1025, kHelp = 1019;
constexpr SIZE_T kHelpStack = 1048576;

}  // namespace

// The one place where a menu command becomes its action; the notification code is not looked at.
int DataWindowCommand(HWND window, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case kPrint: PrintReadings(window); return 1;
    case kSaveXls: SaveReadings(window, SaveFormat::Spreadsheet); return 1;
    case kSaveCsv: SaveReadings(window, SaveFormat::CommaDelimited); return 1;
    case kSaveTab: SaveReadings(window, SaveFormat::TabDelimited); return 1;
    case kSaveText: SaveReadings(window, SaveFormat::ColumnText); return 1;
    case kSort:
      if (const int32_t priority = RunSortDialog(window); priority != 0) {
        TheProgram().table.sortPriority = priority;
        RefillGrid(window);
      }
      return 1;
    case kHelp:
      // Each click opens one more help window on a thread of its own, not waited for.
      if (HANDLE thread = CreateThread(nullptr, kHelpStack, HelpThread, nullptr, 0, nullptr)) CloseHandle(thread);
      return 1;
    default: return 0;
  }
}
