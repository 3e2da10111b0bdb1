#include <windows.h>
#include <commctrl.h>

#include "Clock.h"
#include "DialogTemplate.h"
#include "Program.h"
#include "WideText.h"

namespace {

constexpr WORD kStatus = 1001;
constexpr WORD kBar = 1026;

INT_PTR CALLBACK ProgressHandler(HWND, UINT, WPARAM, LPARAM) { return 0; }

RECT DialogRect(HWND window, int x, int y, int cx, int cy) {
  RECT r{x, y, x + cx, y + cy};
  MapDialogRect(window, &r);
  return r;
}

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

ProgressWindow CreateProgressWindow(HWND owner, const std::wstring& status) {
  DialogTemplate t(L"Wait!", WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | WS_VISIBLE, 0, 125, 50);
  t.Add(kStatus, kStatic, status, SS_CENTER | SS_CENTERIMAGE, 0, 3, 3, 119, 25);
  ProgressWindow progress;
  progress.window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner, ProgressHandler, 0);
  SetProgramIcon(progress.window);
  RECT client{};
  GetClientRect(progress.window, &client);
  const RECT label = DialogRect(progress.window, 3, 3, 0, 25);
  MoveWindow(GetDlgItem(progress.window, kStatus), label.left, label.top, client.right - 2 * label.left,
             label.bottom - label.top, TRUE);
  PumpMessages();
  return progress;
}

void SetProgressStatus(ProgressWindow& progress, const std::wstring& status) {
  SetDlgItemTextW(progress.window, kStatus, status.c_str());
  PumpMessages();
}

void ShowProgressBar(ProgressWindow& progress, int first, int last) {
  const RECT r = DialogRect(progress.window, 5, 30, 115, 15);
  progress.bar = CreateWindowExW(WS_EX_STATICEDGE, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH,
                                 r.left, r.top, r.right - r.left, r.bottom - r.top, progress.window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBar)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(progress.bar, PBM_SETRANGE32, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
  SendMessageW(progress.bar, PBM_SETPOS, static_cast<WPARAM>(first), 0);
  RedrawWindow(progress.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
}

void CloseProgressWindow(ProgressWindow& progress) {
  if (progress.window != nullptr) DestroyWindow(progress.window);
  progress = {};
}

void SetProgramIcon(HWND window) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(10001));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void ShowError(HWND owner, const std::string& message) {
  MessageBoxW(owner, Widen(message).c_str(), L"ERROR!", MB_OK | MB_ICONERROR);
}

Calendar UserCalendar() {
  Calendar calendar;
  calendar.now = LocalNow;
  calendar.shortDate = [](const CivilTime& date) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(date.year);
    day.wMonth = static_cast<WORD>(date.month);
    day.wDay = static_cast<WORD>(date.day);
    wchar_t text[80] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &day, nullptr, text, 80);
    return Narrow(text);
  };
  return calendar;
}

namespace {

// The exchange's sleeps, spent letting every window repaint: the download runs on the
// user-interface thread, and the start window is disabled meanwhile.
class PumpingClock final : public Clock {
 public:
  double SecondsOfDay() override { return SystemClock().SecondsOfDay(); }
  void Sleep(int32_t milliseconds) override {
    const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
      PumpMessages();
    }
  }
};

}  // namespace

Clock& PumpingSystemClock() {
  static PumpingClock clock;
  return clock;
}
