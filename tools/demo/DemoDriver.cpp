// Drives one download of the real program for the demo on a display nobody watches: clicks
// Get Data, answers the units question, pictures the data window, then closes the program.
// usage: DemoDriver PICTURE.bmp
#include <windows.h>

#include <cstdio>
#include <string>

#include "Screenshot.h"

namespace {

HWND WaitForWindow(const wchar_t* title, int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    HWND w = FindWindowW(L"#32770", title);
    if (w != nullptr && IsWindowVisible(w)) return w;
    Sleep(100);
  }
  return nullptr;
}

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const std::wstring wide = argv[1];
  const std::string picture(wide.begin(), wide.end());
  HWND start = WaitForWindow(L"Brevanta - Portable Instrument Logged Data", 60);
  if (start == nullptr) return std::printf("the start window did not open\n"), 1;
  Press(start, 1007);
  const wchar_t* titles[] = {L"Brevanta MultiParameter Portable Logged Data", L"Brevanta Model Orvane D.O. Logged Data",
                             L"Brevanta Model Tessil TSS Logged Data"};
  HWND data = nullptr;
  for (int i = 0; i < 600 && data == nullptr; ++i) {
    if (HWND units = FindWindowW(L"#32770", L"Model Orvane")) Press(units, 1010);
    for (const wchar_t* title : titles) {
      HWND w = FindWindowW(L"#32770", title);
      if (w != nullptr && IsWindowVisible(w)) data = w;
    }
    Sleep(100);
  }
  if (data == nullptr) return std::printf("the data window did not open\n"), 1;
  Sleep(800);
  const bool saved = SaveWindowPicture(data, picture);
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (HWND sure = WaitForWindow(L"Sure?", 10)) PostMessageW(sure, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  return saved ? 0 : 1;
}
