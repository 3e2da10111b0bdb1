// Runs the real program on this thread and drives its windows from a second one, as a user
// would: it reads the controls back, clicks, answers the questions, and saves a picture of
// every window. One scenario a run: ProgramTest SCENARIO (see kScenarios).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Program.h"
#include "ReadingGrid.h"
#include "Screenshot.h"
#include "WideText.h"

namespace {

int failures = 0;
int checks = 0;

void Check(bool condition, const std::string& what) {
  ++checks;
  if (!condition) {
    ++failures;
    std::printf("FAIL %s\n", what.c_str());
  } else {
    std::printf("ok   %s\n", what.c_str());
  }
  std::fflush(stdout);
}

// Polls for up to `seconds` until `found` gives a window.
HWND WaitFor(const std::function<HWND()>& found, double seconds = 30) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (HWND w = found()) return w;
    Sleep(50);
  }
  return nullptr;
}

HWND Dialog(const wchar_t* title) {
  return WaitFor([title]() -> HWND {
    HWND w = FindWindowW(L"#32770", title);
    return w != nullptr && IsWindowVisible(w) ? w : nullptr;
  });
}

bool Gone(HWND window, double seconds = 30) {
  return WaitFor([window]() -> HWND { return IsWindow(window) && IsWindowVisible(window) ? nullptr : HWND(1); },
                 seconds) != nullptr;
}

std::string Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Narrow(text);
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

void CheckIcon(HWND window, const std::string& what) {
  Check(SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0 && SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0,
        what + " carries the program's icon");
}

// What the status label of each "Wait!" window was created with, and the defaults file then:
// watched on the program's own thread, as the window is built.
struct StatusLabel {
  std::string text;
  std::string defaultsFile;
};
std::mutex labelsMutex;
std::vector<StatusLabel> statusLabels;

std::string FileBytes(const std::string& path);

LRESULT CALLBACK WatchStatusLabels(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* created = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    if (created->hwndParent != nullptr && created->hMenu == reinterpret_cast<HMENU>(1001) &&
        Text(created->hwndParent) == "Wait!") {
      const bool named = created->lpszName != nullptr && !IS_INTRESOURCE(created->lpszName);
      std::lock_guard<std::mutex> lock(labelsMutex);
      statusLabels.push_back({named ? Narrow(created->lpszName) : "", FileBytes("DatapondDefaults.txt")});
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Whether `upper` lies above `lower` in the windows' order on the screen.
bool Above(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == lower) return true;
  }
  return false;
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The window as it is on the screen, for the runner to turn into PNG.
void Picture(HWND window, const char* name) {
  Sleep(400);  // let it paint
  if (const char* folder = std::getenv("DATAPOND_SCREENSHOTS")) SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}

std::string ListText(HWND grid, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

int Columns(HWND grid) {
  return static_cast<int>(SendMessageW(reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0, 0));
}

// The list view holds exactly the core's grid texts for the table it shows.
void CheckGridMatchesCore(HWND window, const char* what) {
  HWND grid = GetDlgItem(window, 1020);
  ReadingTable copy = TheProgram().table;
  copy.shownLayout = 0;
  const GridTexts texts = fillGrid(copy, TheProgram().calendar);
  Check(Columns(grid) == static_cast<int>(texts.columns.size()), std::string(what) + ": column count");
  for (size_t c = 0; c < texts.columns.size(); ++c) {
    wchar_t header[128] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = header;
    column.cchTextMax = 128;
    SendMessageW(grid, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    RECT units{0, 0, texts.columns[c].width, 0};
    MapDialogRect(window, &units);
    Check(Narrow(header) == texts.columns[c].header && column.cx == units.right,
          std::string(what) + ": column " + std::to_string(c + 1) + " \"" + Narrow(header) + "\"");
  }
  const int rows = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0));
  bool same = rows == static_cast<int>(texts.rows.size());
  for (int r = 0; same && r < rows; ++r) {
    for (size_t c = 0; same && c < texts.columns.size(); ++c) same = ListText(grid, r, static_cast<int>(c)) == texts.rows[r][c];
  }
  Check(same, std::string(what) + ": every cell of " + std::to_string(rows) + " rows");
}

void Select(HWND grid, const std::vector<int>& rows) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(grid, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (int row : rows) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(grid, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

void Answer(const wchar_t* title, int button, const char* picture) {
  HWND box = Dialog(title);
  Check(box != nullptr, Narrow(title) + " box shown");
  if (box == nullptr) return;
  if (picture) Picture(box, picture);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  Gone(box);
}

void Command(HWND data, int id) { PostMessageW(data, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::vector<std::string> Headers(HWND grid) {
  std::vector<std::string> headers;
  for (int c = 0; c < Columns(grid); ++c) {
    wchar_t text[128] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 128;
    SendMessageW(grid, LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    headers.push_back(Narrow(text));
  }
  return headers;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
  return text;
}

// The sort dialog: which options it offers and which is chosen, then the option to press.
void Sort(HWND data, const std::vector<int>& offered, int preselected, int press, bool reSort, const char* picture) {
  Command(data, 1025);
  HWND dialog = Dialog(L"Sort Priority Options");
  Check(dialog != nullptr, "the sort dialog opens");
  if (!dialog) return;
  if (picture) {
    Picture(dialog, picture);
    CheckIcon(dialog, "the sort dialog");
  }
  std::vector<int> present;
  for (int id = 1029; id <= 1033; ++id) {
    if (GetDlgItem(dialog, id)) present.push_back(id);
  }
  Check(present == offered, "the options offered");
  Check(IsDlgButtonChecked(dialog, preselected) == BST_CHECKED, "option " + std::to_string(preselected) + " preselected");
  Check((GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU) == 0, "no close box");
  if (press) PostMessageW(GetDlgItem(dialog, press), BM_CLICK, 0, 0);
  Sleep(200);
  Click(dialog, reSort ? 1027 : 1028);
  Gone(dialog);
  Sleep(300);
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// A Save As command through the scope question (when rows are selected) and the real
// save-file dialog, where the name is typed and Save pressed; "" as the name cancels.
void SaveAs(HWND data, int command, const wchar_t* title, int scopeButton, const std::wstring& name) {
  Command(data, command);
  if (scopeButton == 5) CheckIcon(Dialog(L"Save All or Selection?"), "the save scope prompt");
  if (scopeButton != 0) Answer(L"Save All or Selection?", scopeButton, scopeButton == 5 ? "save-prompt" : nullptr);
  HWND dialog = Dialog(title);
  Check(dialog != nullptr, "the save-file dialog \"" + Narrow(title) + "\" opens");
  if (!dialog) return;
  if (name.empty()) {
    Click(dialog, IDCANCEL);
  } else {
    if (command == 1017) Picture(dialog, "save-file-dialog");
    SetDlgItemTextW(dialog, 1148, name.c_str());  // the file name box of the explorer-style dialog
    SetDlgItemTextW(dialog, 1152, name.c_str());
    Click(dialog, IDOK);
    // The dialog's own questions (replace the file? create it?) come in boxes of its title.
    const auto question = [dialog, title]() -> HWND {
      for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", title)) != nullptr;) {
        if (w != dialog && IsWindowVisible(w)) return w;
      }
      return nullptr;
    };
    if (HWND box = WaitFor(question, 1.5)) PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  }
  Gone(dialog);
  Sleep(500);
}

HWND StartWindow() { return Dialog(L"Brevanta - Portable Instrument Logged Data"); }

void GetDataFrom(HWND start, const wchar_t* port) {
  HWND list = GetDlgItem(start, 1009);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(start, WM_COMMAND, MAKEWPARAM(1009, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
  Sleep(100);
  Check(TheProgram().ChosenPort == Narrow(port), "choosing " + Narrow(port) + " in the list");
  Click(start, 1007);
}

// The four saves, compared later with datapond-cli's files for the same readings; a save
// onto a locked file; a cancelled one; then the sort dialog.
void SaveAndSort(HWND data, HWND grid) {
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring base = std::wstring(folder) + L"\\";

  HANDLE lock = CreateFileW((base + L"locked.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  SaveAs(data, 1018, L"Save As .csv", 0, base + L"locked.csv");
  HWND error = Dialog(L"ERROR!");
  Check(error != nullptr, "a file held by another program is reported: " + (error ? ItemText(error, 0xFFFF) : ""));
  if (error) {
    Picture(error, "save-error");
    PostMessageW(error, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Gone(error);
  }
  CloseHandle(lock);
  Check(TheProgram().table.dataSaved == 0, "a failed save leaves the readings unsaved");
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDNO, nullptr);

  SaveAs(data, 1018, L"Save As .csv", 0, L"");
  Check(TheProgram().table.dataSaved == 0 && FileBytes(Narrow(base) + "never.csv").empty(),
        "a cancelled save writes nothing and changes nothing");

  SaveAs(data, 1018, L"Save As .csv", 0, base + L"win-all.csv");
  SaveAs(data, 1023, L"Save As Column Formatted Text .txt", 0, base + L"win-all-text.txt");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1017, L"Save As .xls", 5, base + L"win-selected.xls");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1016, L"Save As Tabbed .txt", 4, base + L"win-all-tab.txt");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1023, L"Save As Column Formatted Text .txt", 5, base + L"win-selected-text");
  Check(TheProgram().table.dataSaved == 1, "a save marks the readings saved");
  Check(TheProgram().defaults.SaveFolder == Narrow(base), "the save folder is remembered: " + TheProgram().defaults.SaveFolder);
  Check(!FileBytes(Narrow(base) + "win-selected-text.txt").empty(), "a name typed without extension gets .txt");

  Sort(data, {1029, 1030, 1031, 1032, 1033}, 1030, 1032, true, "sort-dialog-mixed");
  Check(Joined(Headers(grid)) == "Type(Units), Time, Location, Reading, Temp (\xC2\xB0" "C)",
        "Re-Sort by type then time puts the type first: " + Joined(Headers(grid)));
  Check(TheProgram().table.sortPriority == TypeTime, "the new order is kept");
  Sort(data, {1029, 1030, 1031, 1032, 1033}, 1032, 1029, false, nullptr);
  Check(TheProgram().table.sortPriority == TypeTime && Headers(grid)[0] == "Type(Units)", "Cancel changes nothing");
  Sort(data, {1029, 1030, 1031, 1032, 1033}, 1032, 1030, true, nullptr);
  Check(Joined(Headers(grid)) == "Location, Time, Reading, Type(Units), Temp (\xC2\xB0" "C)", "back to location then time");

  // Help: two windows, each keeping its own document filling its own window.
  // The second click waits for the first window's document: Wine's text shaping is not safe
  // for two threads laying out rich text at the same moment.
  std::vector<HWND> helps;
  const auto helpWindows = [&helps](size_t wanted) {
    return WaitFor([&helps, wanted]() -> HWND {
      helps.clear();
      for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", L"Datapond Help")) != nullptr;) {
        if (IsWindowVisible(w) && GetWindowTextLengthW(GetDlgItem(w, 1024)) > 1000) helps.push_back(w);
      }
      return helps.size() == wanted ? helps[0] : nullptr;
    });
  };
  Command(data, 1019);
  helpWindows(1);
  Command(data, 1019);
  helpWindows(2);
  Check(helps.size() == 2, "two Help clicks open two help windows");
  if (helps.size() == 2) {
    Sleep(500);
    Picture(helps[0], "help-window");
    RECT before{};
    GetClientRect(GetDlgItem(helps[1], 1024), &before);
    SetWindowPos(helps[0], nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    Sleep(300);
    // The control's outer rectangle, scroll bar and edge included, against the client area.
    const auto outer = [](HWND control) {
      RECT r{};
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
      return r;
    };
    RECT client{}, other{};
    GetClientRect(helps[0], &client);
    const RECT document = outer(GetDlgItem(helps[0], 1024));
    GetClientRect(GetDlgItem(helps[1], 1024), &other);
    Check(document.left == 0 && document.top == 0 && document.right == client.right && document.bottom == client.bottom,
          "the resized window's document fills it");
    Check(other.right == before.right && other.bottom == before.bottom, "the other window's document is untouched");
    Check(GetWindowTextLengthW(GetDlgItem(helps[0], 1024)) > 1000, "the help document is shown");
    for (HWND help : helps) PostMessageW(help, WM_SYSCOMMAND, SC_CLOSE, 0);
    for (HWND help : helps) Check(Gone(help), "a help window closes");
  }
}

void Commands() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM7");
  HWND data = Dialog(L"Brevanta MultiParameter Portable Logged Data");
  if (!data) return Check(false, "the data window opens");
  SaveAndSort(data, GetDlgItem(data, 1020));
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Check(Gone(data, 5), "saved readings close without a question");
}

void DownloadMultiParameter() {
  HWND start = StartWindow();
  Check(start != nullptr, "the start window opens");
  if (!start) return;
  Picture(start, "start-window-several-ports");
  Check(ItemText(start, 1002) == "1. Select a serial port and connect the portable unit to that port.", "line 1, several ports");
  Check(ItemText(start, 1003) == "2. Press the MENU button on the portable unit and select the PC Extract option.", "line 2");
  Check(ItemText(start, 1004) == "3. The portable display should read: Waiting for Request from PC...", "line 3");
  Check(ItemText(start, 1005) == "4. Click button below when ready.", "line 4");
  Check(ItemText(start, 1006) == "Serial Port" && ItemText(start, 1007) == "Get Data", "caption and button");
  Check(GetDlgItem(start, 1008) == nullptr, "no single-port box");
  HWND list = GetDlgItem(start, 1009);
  std::string ports;
  for (int i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t text[64] = {};
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    ports += Narrow(text) + " ";
  }
  Check(ports == "COM10 COM12 COM5 COM6 COM7 COM8 ", "usable ports in the program's order, no printer port: " + ports);
  Check((GetWindowLongW(list, GWL_STYLE) & WS_TABSTOP) == 0, "only Get Data is a tab stop");
  GetDataFrom(start, L"COM7");
  HWND progress = Dialog(L"Wait!");
  Check(progress != nullptr, "the progress window shows");
  if (progress) {
    CheckIcon(progress, "the progress window");
    std::lock_guard<std::mutex> lock(labelsMutex);
    Check(statusLabels.size() == 2 && statusLabels[1].text == "Initializing communications..." &&
              statusLabels[1].defaultsFile.rfind("COM7\r\n", 0) == 0,
          "the progress window is made with its first status, after the port is remembered");
  }
  if (progress) {
    Sleep(1500);
    Picture(progress, "progress-window");
    Check(ItemText(progress, 1001) == "Retrieving Logged Readings...", "progress status: " + ItemText(progress, 1001));
  }
  HWND data = Dialog(L"Brevanta MultiParameter Portable Logged Data");
  Check(data != nullptr, "the data window opens with the multiparameter title");
  if (!data) return;
  Check(!IsWindow(start), "the start window is gone");
  Picture(data, "data-window-multiparameter");
  CheckGridMatchesCore(data, "multiparameter grid");
  HWND grid = GetDlgItem(data, 1020);

  const int before = TheProgram().table.count;
  Select(grid, {});
  SendMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Check(TheProgram().table.count == before, "Delete with nothing selected keeps every reading");
  Select(grid, {0, 2});
  const std::string third = ListText(grid, 3, 0) + ListText(grid, 3, 1);
  SendMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Check(TheProgram().table.count == before - 2, "Delete removes the two selected readings");
  Check(ListText(grid, 1, 0) + ListText(grid, 1, 1) == third, "the reading after them moves up");
  CheckGridMatchesCore(data, "grid after Delete");

  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDNO, "quit-question");
  Check(IsWindowVisible(data) != 0, "No keeps the data window");
  Select(grid, {});
  for (int r = 0; r < TheProgram().table.count; ++r) Select(grid, {});
  std::vector<int> all;
  for (int r = 0; r < TheProgram().table.count; ++r) all.push_back(r);
  Select(grid, all);
  PostMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Check(Gone(data), "Delete of every row, then Yes, closes the window");
}

void DownloadDissolvedOxygen() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  HWND list = GetDlgItem(start, 1009);
  wchar_t shown[64] = {};
  SendMessageW(list, CB_GETLBTEXT, SendMessageW(list, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(shown));
  Check(Narrow(shown) == "COM7", "the port of the last download is preselected: " + Narrow(shown));
  GetDataFrom(start, L"COM5");
  HWND prompt = Dialog(L"Model Orvane");
  Check(prompt != nullptr, "the units prompt shows");
  if (prompt) {
    Picture(prompt, "units-prompt");
    Check(ItemText(prompt, 1012) == "Please choose which type of D.O. units were selected" &&
              ItemText(prompt, 1013) == "for use on this Model Orvane Dissolved Oxygen" &&
              ItemText(prompt, 1014) == "meter when the data was logged.",
          "the units question");
    Check(ItemText(prompt, 1010) == "mg/l  (PPM)" && ItemText(prompt, 1011) == "% of Saturation", "the two answers");
    CheckIcon(prompt, "the units prompt");
    Click(prompt, 1011);
    Gone(prompt);
    Sleep(500);
    HWND progress = FindWindowW(L"#32770", L"Wait!");
    Check(progress != nullptr && GetForegroundWindow() == progress && Above(progress, start),
          "after the answer the progress window is in front again");
  }
  HWND data = Dialog(L"Brevanta Model Orvane D.O. Logged Data");
  Check(data != nullptr, "the data window opens with the dissolved-oxygen title");
  if (!data) return;
  Picture(data, "data-window-dissolved-oxygen");
  CheckGridMatchesCore(data, "dissolved-oxygen grid");
  Check(Columns(GetDlgItem(data, 1020)) == 4, "four columns: one type with temperature");
  Sort(data, {1029, 1030}, 1030, 1029, true, "sort-dialog-single-type");
  Check(Joined(Headers(GetDlgItem(data, 1020))) == "Time, Location, D.O. (%Sat), Temp (\xC2\xB0" "C)",
        "Re-Sort by time: " + Joined(Headers(GetDlgItem(data, 1020))));
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Check(Gone(data), "Yes closes the data window");
}

void SilentMeter() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM8");
  HWND box = Dialog(L"ERROR!");
  Check(box != nullptr, "a silent meter ends in the ERROR! box");
  if (box) {
    Picture(box, "error-box");
    Check(ItemText(box, 0xFFFF) == "No reply from Instrument", "the box says why: " + ItemText(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Gone(box);
  }
  Sleep(300);
  Check(IsWindow(start) && IsWindowEnabled(start), "the start window stays open and usable");
  PostMessageW(start, WM_SYSCOMMAND, SC_CLOSE, 0);
  Check(Gone(start), "closing the start window ends the program");
}

void OnePort() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  Picture(start, "start-window-one-port");
  Check(ItemText(start, 1002) == "1. Be sure that the portable unit is connected to the serial port.", "line 1, one port");
  Check(ItemText(start, 1008) == "COM5" && GetDlgItem(start, 1009) == nullptr, "the one port in a box, no list");
  PostMessageW(start, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // as Escape does
  Sleep(300);
  Check(IsWindowVisible(start) != 0, "Escape closes nothing");
  PostMessageW(start, WM_SYSCOMMAND, SC_CLOSE, 0);
  Check(Gone(start), "the close box ends the program");
}

void DownloadSuspendedSolids() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM6");
  HWND data = Dialog(L"Brevanta Model Tessil TSS Logged Data");
  Check(data != nullptr, "the data window opens with the suspended-solids title");
  if (!data) return;
  Picture(data, "data-window-suspended-solids");
  CheckGridMatchesCore(data, "suspended-solids grid");
  Check(Columns(GetDlgItem(data, 1020)) == 3, "three columns: one type without temperature");
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Check(Gone(data), "Yes closes the data window");
}

// Three readings, one of them suspended solids: deleting it leaves one type, and the grid
// loses its type column. Deleting every row asks first, and No keeps them all.
void DeleteToOneType() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM12");
  HWND data = Dialog(L"Brevanta MultiParameter Portable Logged Data");
  if (!data) return Check(false, "the data window opens");
  HWND grid = GetDlgItem(data, 1020);
  Check(Columns(grid) == 5 && TheProgram().table.count == 3, "five columns for three readings of two types");
  int solids = -1;
  for (int r = 0; r < 3; ++r) {
    if (ListText(grid, r, 3) == "SS-Hi(mg/l)") solids = r;
  }
  Select(grid, {solids});
  SendMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Check(Columns(grid) == 4 && TheProgram().table.count == 2, "one type left: four columns");
  CheckGridMatchesCore(data, "one-type grid");
  Picture(data, "data-window-one-type-left");
  Select(grid, {0, 1});
  PostMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Answer(L"Sure?", IDNO, nullptr);
  Sleep(300);
  Check(IsWindowVisible(data) && TheProgram().table.count == 2 &&
            SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) == 2,
        "Delete of every row answered No keeps the window and every reading");
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Check(Gone(data), "then the close box and Yes close it");
}

// The meter goes away in the middle of the download; another port then works.
void Unplugged() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM13");
  HWND box = Dialog(L"ERROR!");
  Check(box != nullptr, "a meter unplugged mid-download ends in the ERROR! box: " + (box ? ItemText(box, 0xFFFF) : ""));
  if (box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Gone(box);
  }
  Sleep(300);
  Check(IsWindow(start) && IsWindowEnabled(start), "the start window stays usable");
  GetDataFrom(start, L"COM6");
  HWND data = Dialog(L"Brevanta Model Tessil TSS Logged Data");
  Check(data != nullptr, "a second Get Data on another port downloads");
  if (!data) return;
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Gone(data);
}

void WaitWindow() {
  HWND wait = Dialog(L"Wait!");
  Check(wait != nullptr, "the Wait! window");
  if (!wait) return;
  Picture(wait, "wait-window");
  HWND text = GetDlgItem(wait, 1001);
  RECT client{}, label{};
  GetClientRect(wait, &client);
  GetClientRect(text, &label);
  Check(Text(text) == "Detecting COM ports...", "its text");
  Check((GetWindowLongW(text, GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0 && label.right + 4 >= client.right,
        "a framed label filling the window");
  Check((GetWindowLongW(wait, GWL_STYLE) & WS_SYSMENU) == 0, "no close box");
  CheckIcon(wait, "the Wait! window");
}

// Two print jobs to the PDF printer: the selected rows, then all of them.
void Print() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM7");
  HWND data = Dialog(L"Brevanta MultiParameter Portable Logged Data");
  if (!data) return Check(false, "the data window opens");
  HWND grid = GetDlgItem(data, 1020);
  for (int selection : {1, 0}) {
    Select(grid, selection ? std::vector<int>{1, 4, 8} : std::vector<int>{});
    PostMessageW(data, WM_COMMAND, MAKEWPARAM(1015, 1), 0);  // any notification code prints
    HWND dialog = Dialog(L"Print");
    Check(dialog != nullptr, selection ? "the print dialog, rows selected" : "the print dialog, no selection");
    if (!dialog) return;
    if (selection) Picture(dialog, "print-dialog");
    HWND selectionChoice = GetDlgItem(dialog, 1057);  // the dialog's "Selection" option
    Check(selectionChoice != nullptr && (IsWindowEnabled(selectionChoice) != 0) == (selection != 0) &&
              (IsDlgButtonChecked(dialog, 1057) == BST_CHECKED) == (selection != 0),
          "the selection choice is offered and made only when rows are selected");
    Click(dialog, IDOK);
    Gone(dialog);
    Sleep(2000);
  }
  Check(TheProgram().table.dataSaved == 0, "printing is not saving");
  PostMessageW(data, WM_SYSCOMMAND, SC_CLOSE, 0);
  Answer(L"Sure?", IDYES, nullptr);
  Gone(data);
}

void NoPort() {
  HWND box = Dialog(L"Problem!");
  Check(box != nullptr, "no usable port shows Problem!");
  if (box) {
    Picture(box, "no-port-problem");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
}

struct Scenario {
  const char* name;
  void (*drive)();
};

const Scenario kScenarios[] = {
    {"multiparameter", DownloadMultiParameter},
    {"dissolved-oxygen", DownloadDissolvedOxygen},
    {"commands", Commands},
    {"suspended-solids", DownloadSuspendedSolids},
    {"one-type-left", DeleteToOneType},
    {"unplugged", Unplugged},
    {"silent", SilentMeter},
    {"one-port", OnePort},
    {"print", Print},
    {"no-port", NoPort},
    {"wait-window", WaitWindow},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::string wanted = argc > 1 ? Narrow(argv[1]) : "";
  void (*drive)() = nullptr;
  for (const Scenario& s : kScenarios) {
    if (wanted == s.name) drive = s.drive;
  }
  if (drive == nullptr) {
    std::printf("usage: ProgramTest SCENARIO (see kScenarios)\n");
    return 2;
  }
  SetWindowsHookExW(WH_CBT, WatchStatusLabels, nullptr, GetCurrentThreadId());
  std::thread driver(drive);
  if (wanted == "wait-window") {
    // The window shows only while the ports are looked for; here it stays until pictured.
    HWND wait = ShowWaitWindow();
    for (int i = 0; i < 40; ++i) {
      PumpMessages();
      Sleep(50);
    }
    DestroyWindow(wait);
  } else {
    RunProgram();
  }
  driver.join();
  std::printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
