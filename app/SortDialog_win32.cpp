#include <windows.h>

#include "DialogTemplate.h"
#include "Program.h"
#include "resource.h"

namespace {

struct SortOption {
  WORD id;
  const wchar_t* text;
  int32_t priority;
  short singleTypeY;  // 0: offered for mixed tables only
  short mixedY;
};

constexpr SortOption kOptions[] = {
    {IDC_SORT_TIME, L"Time", TimeOnly, 40, 30},
    {IDC_SORT_LOCATION_TIME, L"Location - Time", LocationTime, 60, 40},
    {IDC_SORT_LOCATION_TYPE_TIME, L"Location - Units(Type) - Time", LocationTypeTime, 0, 50},
    {IDC_SORT_TYPE_TIME, L"Units(Type) - Time", TypeTime, 0, 60},
    {IDC_SORT_TYPE_LOCATION_TIME, L"Units(Type) - Location - Time", TypeLocationTime, 0, 70},
};

bool ShowsSingleType(const ReadingTable& table) {
  return table.gridLayout == SingleType || table.gridLayout == SingleTypeTemp;
}

// The table comes as the init parameter: only the first message needs it.
INT_PTR CALLBACK SortHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetProgramIcon(dialog);
      // The current order is preselected; a priority a single type cannot have shows as Location - Time.
      const ReadingTable& table = *reinterpret_cast<const ReadingTable*>(lParam);
      WORD selected = IDC_SORT_LOCATION_TIME;
      for (const SortOption& option : kOptions) {
        if (option.priority == table.sortPriority && (option.singleTypeY != 0 || !ShowsSingleType(table))) {
          selected = option.id;
        }
      }
      CheckRadioButton(dialog, IDC_SORT_TIME, IDC_SORT_TYPE_LOCATION_TIME, selected);
      // The buttons, made first, go last in the tab order, which then runs down the screen:
      // the options, Cancel, Re-Sort. The keyboard starts on the order chosen now.
      for (int id : {IDC_SORT_CANCEL, IDC_RESORT}) {
        SetWindowPos(GetDlgItem(dialog, id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      SetFocus(GetDlgItem(dialog, selected));
      return 0;  // the focus is set
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == IDC_SORT_CANCEL || LOWORD(wParam) == IDCANCEL) {  // IDCANCEL: Escape
        EndDialog(dialog, 0);
      } else if (LOWORD(wParam) == IDC_RESORT) {
        int32_t chosen = LocationTime;
        for (const SortOption& option : kOptions) {
          if (IsDlgButtonChecked(dialog, option.id) == BST_CHECKED) chosen = option.priority;
        }
        EndDialog(dialog, chosen);
      }
      return 1;
    case WM_CLOSE: EndDialog(dialog, 0); return 1;
    default: return 0;
  }
}

}  // namespace

int32_t RunSortDialog(HWND dataWindow, const ReadingTable& table) {
  const bool single = ShowsSingleType(table);
  DialogTemplate t(L"Sort Priority Options", WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 146, 117);
  // A group of its own, so that the arrow keys stay among the options.
  t.Add(IDC_SORT_CANCEL, kButton, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, 10, 90, 55, 15);
  t.Add(IDC_RESORT, kButton, L"Re-Sort", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 75, 90, 60, 15);  // Enter
  t.Add(IDC_SORT_CAPTION, kStatic, L"Sort Order...", SS_LEFT, 0, 10, 15, 130, 10);
  bool first = true;
  for (const SortOption& option : kOptions) {
    if (single && option.singleTypeY == 0) continue;
    const DWORD group = first ? WS_GROUP | WS_TABSTOP : 0;
    t.Add(option.id, kButton, option.text, BS_AUTORADIOBUTTON | group, 0, 20,
          single ? option.singleTypeY : option.mixedY, 110, 10);
    first = false;
  }
  return static_cast<int32_t>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), dataWindow, SortHandler,
                                                      reinterpret_cast<LPARAM>(&table)));
}
