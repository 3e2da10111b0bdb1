#include <windows.h>

#include "DialogTemplate.h"
#include "LoggedReading.h"
#include "Program.h"
#include "WideText.h"

namespace {

constexpr WORD kMgPerLitre = 1010;
constexpr WORD kSaturation = 1011;
constexpr WORD kQuestion[3] = {1012, 1013, 1014};

// Only a click on one of the two buttons answers; the prompt has no close box.
INT_PTR CALLBACK UnitsHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == kMgPerLitre) EndDialog(dialog, 1);
    if (LOWORD(wParam) == kSaturation) EndDialog(dialog, 2);
    return 1;
  }
  if (message == WM_INITDIALOG) {
    SetProgramIcon(dialog);
    return 1;
  }
  return 0;
}

}  // namespace

int32_t RunUnitsPrompt(HWND owner) {
  DialogTemplate t(Widen(kUnitsTitle), WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 201, 98);
  for (int i = 0; i < 3; ++i) {
    t.Add(kQuestion[i], kStatic, Widen(kUnitsQuestion[i]), SS_CENTER, 0, 10, static_cast<short>(5 + 20 * i), 180, 15);
  }
  t.Add(kMgPerLitre, kButton, Widen(kUnitsMgPerLitre), BS_PUSHBUTTON | WS_TABSTOP, 0, 5, 65, 80, 20);
  t.Add(kSaturation, kButton, Widen(kUnitsSaturation), BS_PUSHBUTTON | WS_TABSTOP, 0, 120, 65, 75, 20);
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, UnitsHandler, 0);
  return result == 1 ? 1 : 2;
}
