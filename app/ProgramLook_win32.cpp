// What every window of the program shows alike: its icon, its error box, and dates in the
// user's own short form.
#include <windows.h>

#include "Program.h"
#include "WideText.h"
#include "resource.h"

void SetProgramIcon(HWND window) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DATAPOND));
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
