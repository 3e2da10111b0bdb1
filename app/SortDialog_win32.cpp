#include <windows.h>

#include "DialogTemplate.h"
#include "Program.h"

namespace {

constexpr WORD kReSort = 1027, kCancel = 1028, kCaption = 1034;

struct SortOption {
  WORD id;
  const wchar_t* text;
  int32_t priority;
  short singleTypeY;  // 0: offered for mixed tables only
  short mixedY;
};

constexpr SortOption kOptions[] = {
    {1029, L"Time", TimeOnly, 40, 30},
    {1030, L"Location - Time", LocationTime, 60, 40},
    {1031, L"Location - Units(Type) - Time", LocationTypeTime, 0, 50},
    {1032, L"Units(Type) - Time", TypeTime, 0, 60},
    {1033, L"Units(Type) - Location - Time", TypeLocationTime, 0, 70},
};

bool ShowsSingleType() {
  const int32_t layout = TheProgram().table.gridLayout;
  return layout == SingleType || layout == SingleTypeTemp;
}

INT_PTR CALLBACK SortHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      SetProgramIcon(dialog);
      // The current order is preselected; a priority a single type cannot have shows as Location - Time.
      const int32_t current = TheProgram().table.sortPriority;
      WORD selected = 1030;
      for (const SortOption& option : kOptions) {
        if (option.priority == current && (option.singleTypeY != 0 || !ShowsSingleType())) selected = option.id;
      }
      CheckRadioButton(dialog, 1029, 1033, selected);
      return 1;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == kCancel) {
        EndDialog(dialog, 0);
      } else if (LOWORD(wParam) == kReSort) {
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

int32_t RunSortDialog(HWND dataWindow) {
  const bool single = ShowsSingleType();
  DialogTemplate t(L"Sort Priority Options", WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 146, 117);
  t.Add(kCancel, kButton, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 90, 55, 15);
  t.Add(kReSort, kButton, L"Re-Sort", BS_PUSHBUTTON | WS_TABSTOP, 0, 75, 90, 60, 15);
  t.Add(kCaption, kStatic, L"Sort Order...", SS_LEFT, 0, 10, 15, 130, 10);
  bool first = true;
  for (const SortOption& option : kOptions) {
    if (single && option.singleTypeY == 0) continue;
    const DWORD group = first ? WS_GROUP | WS_TABSTOP : 0;
    t.Add(option.id, kButton, option.text, BS_AUTORADIOBUTTON | group, 0, 20, single ? option.singleTypeY : option.mixedY,
          110, 10);
    first = false;
  }
  return static_cast<int32_t>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), dataWindow, SortHandler, 0));
}
