// The window of three lines over two buttons that asks the program's two questions: the
// dissolved-oxygen units during a download, and whether a save takes all rows or the selected.
#include <windows.h>

#include <string>

#include "DialogTemplate.h"
#include "LoggedReading.h"
#include "Program.h"
#include "WideText.h"
#include "resource.h"

namespace {

struct Question {
  std::wstring title;
  std::wstring lines[3];
  WORD lineIds[3];
  DWORD lineStyle;
  std::wstring answers[2];  // the left button answers 1, the right 2
  WORD answerIds[2];
  bool closable;  // the system close command ends it without an answer, 0; else it is ignored
};

// Only a click on one of the two buttons answers; the window has no close box.
INT_PTR CALLBACK QuestionHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* question = reinterpret_cast<const Question*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
      SetProgramIcon(dialog);
      return 1;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return 0;
      if (LOWORD(wParam) == question->answerIds[0]) EndDialog(dialog, 1);
      if (LOWORD(wParam) == question->answerIds[1]) EndDialog(dialog, 2);
      // Escape: no answer, where the question may go unanswered; the units must be answered.
      if (LOWORD(wParam) == IDCANCEL && question->closable) EndDialog(dialog, 0);
      return 1;
    case WM_CLOSE:
      if (!question->closable) return 0;
      EndDialog(dialog, 0);
      return 1;
    default: return 0;
  }
}

int32_t Ask(HWND owner, const Question& question) {
  DialogTemplate t(question.title, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER, 0, 201, 98);
  for (int i = 0; i < 3; ++i) {
    t.Add(question.lineIds[i], kStatic, question.lines[i], question.lineStyle, 0, 10, static_cast<short>(5 + 20 * i),
          180, 15);
  }
  // The left answer is the default, which Enter gives: all rows, or milligrams per litre.
  t.Add(question.answerIds[0], kButton, question.answers[0], BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 5, 65, 80, 20);
  t.Add(question.answerIds[1], kButton, question.answers[1], BS_PUSHBUTTON | WS_TABSTOP, 0, 120, 65, 75, 20);
  return static_cast<int32_t>(DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, QuestionHandler,
                                                      reinterpret_cast<LPARAM>(&question)));
}

}  // namespace

int32_t RunUnitsPrompt(HWND owner) {
  const Question units{
      .title = Widen(kUnitsTitle),
      .lines = {Widen(kUnitsQuestion[0]), Widen(kUnitsQuestion[1]), Widen(kUnitsQuestion[2])},
      .lineIds = {IDC_UNITS_LINE1, IDC_UNITS_LINE2, IDC_UNITS_LINE3},
      .lineStyle = SS_CENTER,
      .answers = {Widen(kUnitsMgPerLitre), Widen(kUnitsSaturation)},
      .answerIds = {IDC_UNITS_MG_PER_LITRE, IDC_UNITS_SATURATION},
      .closable = false,
  };
  return Ask(owner, units) == 1 ? 1 : 2;
}

int32_t RunSaveScopePrompt(HWND dataWindow) {
  const Question scope{
      .title = L"Save All or Selection?",
      .lines = {L"You have selected (highlighted) some rows of data.", L"Do you want to save All rows to a file, or",
                L"just the Selected rows?"},
      .lineIds = {IDC_SCOPE_LINE1, IDC_SCOPE_LINE2, IDC_SCOPE_LINE3},
      .lineStyle = SS_CENTER | SS_CENTERIMAGE,
      .answers = {L"Save ALL Data", L"Save only SELECTED"},
      .answerIds = {IDC_SAVE_ALL, IDC_SAVE_SELECTED},
      .closable = true,
  };
  return Ask(dataWindow, scope);
}
