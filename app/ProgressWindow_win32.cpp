#include <windows.h>

#include <commctrl.h>

#include "DialogTemplate.h"
#include "Program.h"
#include "resource.h"

namespace {

INT_PTR CALLBACK ProgressHandler(HWND, UINT, WPARAM, LPARAM) { return 0; }

RECT DialogRect(HWND window, int x, int y, int cx, int cy) {
  RECT r{x, y, x + cx, y + cy};
  MapDialogRect(window, &r);
  return r;
}

}  // namespace

ProgressWindow CreateProgressWindow(HWND owner, const std::wstring& status) {
  DialogTemplate t(L"Wait!", WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | WS_VISIBLE, 0, 125, 50);
  t.Add(IDC_WAIT_TEXT, kStatic, status, SS_CENTER | SS_CENTERIMAGE, 0, 3, 3, 119, 25);
  ProgressWindow progress;
  progress.window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, ProgressHandler, 0);
  SetProgramIcon(progress.window);
  RECT client{};
  GetClientRect(progress.window, &client);
  const RECT label = DialogRect(progress.window, 3, 3, 0, 25);
  MoveWindow(GetDlgItem(progress.window, IDC_WAIT_TEXT), label.left, label.top, client.right - 2 * label.left,
             label.bottom - label.top, TRUE);
  PumpMessages();
  return progress;
}

void SetProgressStatus(ProgressWindow& progress, const std::wstring& status) {
  SetDlgItemTextW(progress.window, IDC_WAIT_TEXT, status.c_str());
  PumpMessages();
}

void ShowProgressBar(ProgressWindow& progress, int first, int last) {
  const RECT r = DialogRect(progress.window, 5, 30, 115, 15);
  progress.bar = CreateWindowExW(WS_EX_STATICEDGE, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH,
                                 r.left, r.top, r.right - r.left, r.bottom - r.top, progress.window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS_BAR)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(progress.bar, PBM_SETRANGE32, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
  SendMessageW(progress.bar, PBM_SETPOS, static_cast<WPARAM>(first), 0);
  RedrawWindow(progress.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
}

void CloseProgressWindow(ProgressWindow& progress) {
  if (progress.window != nullptr) DestroyWindow(progress.window);
  progress = {};
}
