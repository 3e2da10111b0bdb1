// Runs the real program on this thread and drives its windows from a second one, as a user
// would: it reads the controls back, clicks, answers the questions, and saves a picture of
// every window. One scenario a run (each is a program start under Wine): ProgramTest SCENARIO.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Program.h"
#include "ReadingGrid.h"
#include "Screenshot.h"
#include "WideText.h"

namespace {

int failures = 0, checks = 0;

void Check(bool condition, const std::string& what) {
  ++checks;
  failures += condition ? 0 : 1;
  std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
}

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

bool Gone(HWND window) {
  return WaitFor([window]() -> HWND { return IsWindow(window) && IsWindowVisible(window) ? nullptr : HWND(1); }) != nullptr;
}

std::string Text(HWND window, int id = 0) {
  wchar_t text[512] = {};
  GetWindowTextW(id ? GetDlgItem(window, id) : window, text, 512);
  return Narrow(text);
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Command(HWND data, int id) { PostMessageW(data, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Close(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// The window as it is on the screen, for the runner to turn into PNG; the program's own
// windows (not message boxes or common dialogs) must carry its icon.
void Picture(HWND window, const char* name, bool ours) {
  Sleep(400);  // let it paint
  if (const char* folder = std::getenv("DATAPOND_SCREENSHOTS")) SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
  if (ours) {
    Check(SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0 && SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0,
          std::string(name) + " carries the program's icon");
  }
}

// A question box: shown, optionally pictured, answered.
void Answer(const wchar_t* title, int button, const char* picture = nullptr, bool ours = false) {
  HWND box = Dialog(title);
  Check(box != nullptr, Narrow(title) + " box shown" + (box && title[0] == 'E' ? ": " + Text(box, 0xFFFF) : ""));
  if (box == nullptr) return;
  if (picture) Picture(box, picture, ours);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  Gone(box);
  Sleep(300);
}

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The status label each "Wait!" window is created with, and the defaults file at that moment.
std::mutex labelsMutex;
std::vector<std::pair<std::string, std::string>> statusLabels;

LRESULT CALLBACK WatchStatusLabels(int code, WPARAM wParam, LPARAM lParam) {
  const CREATESTRUCTW* created = code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs : nullptr;
  if (created && created->hwndParent && created->hMenu == reinterpret_cast<HMENU>(1001) && Text(created->hwndParent) == "Wait!") {
    const bool named = created->lpszName != nullptr && !IS_INTRESOURCE(created->lpszName);
    std::lock_guard<std::mutex> lock(labelsMutex);
    statusLabels.emplace_back(named ? Narrow(created->lpszName) : "", FileBytes("DatapondDefaults.txt"));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND Grid(HWND data) { return GetDlgItem(data, 1020); }

std::string Cell(HWND grid, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(grid, row, column, text, 256);
  return Narrow(text);
}

int Count(HWND grid) { return ListView_GetItemCount(grid); }

// The column headers joined by ", ".
std::string Headers(HWND grid) {
  std::string joined;
  for (int c = 0; c < Header_GetItemCount(ListView_GetHeader(grid)); ++c) {
    wchar_t text[128] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    Header_GetItem(ListView_GetHeader(grid), c, &item);
    joined += (c ? ", " : "") + Narrow(text);
  }
  return joined;
}

// The list view holds exactly the core's grid texts, headers and widths for the table it shows.
void CheckGridMatchesCore(HWND data, const char* what) {
  ReadingTable copy = TheProgram().table;
  copy.shownLayout = 0;
  const GridTexts texts = fillGrid(copy, TheProgram().calendar);
  HWND grid = Grid(data);
  std::string headers;
  bool same = Count(grid) == static_cast<int>(texts.rows.size());
  for (int c = 0; c < static_cast<int>(texts.columns.size()); ++c) {
    headers += (c ? ", " : "") + texts.columns[c].header;
    RECT units{0, 0, texts.columns[c].width, 0};
    MapDialogRect(data, &units);
    same = same && ListView_GetColumnWidth(grid, c) == units.right;
    for (int r = 0; same && r < Count(grid); ++r) same = Cell(grid, r, c) == texts.rows[r][c];
  }
  Check(same && Headers(grid) == headers, std::string(what) + ": the core's headers, widths and every cell of " +
                                              std::to_string(texts.rows.size()) + " rows: " + Headers(grid));
}

void Select(HWND grid, const std::vector<int>& rows) {
  ListView_SetItemState(grid, -1, 0, LVIS_SELECTED);
  for (int row : rows) ListView_SetItemState(grid, row, LVIS_SELECTED, LVIS_SELECTED);
}

void Delete(HWND grid, const std::vector<int>& rows) {
  Select(grid, rows);
  PostMessageW(grid, WM_KEYDOWN, VK_DELETE, 0);
  Sleep(300);
}

// The sort dialog: the options it offers and the one preselected, then an option and a button.
void Sort(HWND data, int offered, int preselected, int press, bool reSort, const char* picture = nullptr) {
  Command(data, 1025);
  HWND dialog = Dialog(L"Sort Priority Options");
  if (!dialog) return Check(false, "the sort dialog opens");
  if (picture) Picture(dialog, picture, true);
  int present = 0;
  for (int id = 1029; id <= 1033; ++id) present += GetDlgItem(dialog, id) ? 1 : 0;
  Check(present == offered && IsDlgButtonChecked(dialog, preselected) == BST_CHECKED &&
            (GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU) == 0,
        std::to_string(offered) + " sort options, " + std::to_string(preselected) + " preselected, no close box");
  PostMessageW(GetDlgItem(dialog, press), BM_CLICK, 0, 0);
  Sleep(200);
  Click(dialog, reSort ? 1027 : 1028);
  Gone(dialog);
  Sleep(300);
}

// A Save As command through the scope question (when rows are selected) and the real
// save-file dialog, where the name is typed and Save pressed; "" as the name cancels.
void SaveAs(HWND data, int command, const wchar_t* title, int scopeButton, const std::wstring& name) {
  Command(data, command);
  if (scopeButton != 0) Answer(L"Save All or Selection?", scopeButton, scopeButton == 5 ? "save-prompt" : nullptr, true);
  HWND dialog = Dialog(title);
  if (!dialog) return Check(false, "the save-file dialog \"" + Narrow(title) + "\" opens");
  if (name.empty()) {
    Click(dialog, IDCANCEL);
  } else {
    if (command == 1017) Picture(dialog, "save-file-dialog", false);
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

std::string ListEntry(HWND list, LRESULT index) {
  wchar_t text[64] = {};
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return Narrow(text);
}

HWND StartWindow() { return Dialog(L"Brevanta - Portable Instrument Logged Data"); }

HWND GetDataFrom(HWND start, const wchar_t* port) {
  HWND list = GetDlgItem(start, 1009);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageW(start, WM_COMMAND, MAKEWPARAM(1009, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
  Sleep(100);
  Check(TheProgram().ChosenPort == Narrow(port), "choosing " + Narrow(port) + " in the list");
  Click(start, 1007);
  return Dialog(L"Wait!");
}

// Two print jobs to the PDF printer (the runner reads them): the selected rows, then all.
void Print(HWND data) {
  for (bool selection : {true, false}) {
    Select(Grid(data), selection ? std::vector<int>{1, 4, 8} : std::vector<int>{});
    PostMessageW(data, WM_COMMAND, MAKEWPARAM(1015, 1), 0);  // any notification code prints
    HWND dialog = Dialog(L"Print");
    if (!dialog) return Check(false, "the print dialog opens");
    if (selection) Picture(dialog, "print-dialog", false);
    HWND choice = GetDlgItem(dialog, 1057);  // the dialog's "Selection" option
    Check(choice && (IsWindowEnabled(choice) != 0) == selection && (IsDlgButtonChecked(dialog, 1057) == BST_CHECKED) == selection,
          "the print dialog offers and makes the selection choice only when rows are selected");
    Click(dialog, IDOK);
    Gone(dialog);
    Sleep(2000);
  }
}

// Help: two windows, each keeping its own document filling its own window. The second click
// waits for the first window's document: Wine's text shaping is not safe for two threads.
void Help(HWND data) {
  std::vector<HWND> helps;
  for (size_t wanted : {1, 2}) {
    Command(data, 1019);
    WaitFor([&helps, wanted]() -> HWND {
      helps.clear();
      for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", L"Datapond Help")) != nullptr;) {
        if (IsWindowVisible(w) && GetWindowTextLengthW(GetDlgItem(w, 1024)) > 1000) helps.push_back(w);
      }
      return helps.size() == wanted ? helps[0] : nullptr;
    });
  }
  if (helps.size() != 2) return Check(false, "two Help clicks open two help windows with the document");
  Picture(helps[0], "help-window", true);
  RECT before{}, client{}, document{}, other{};
  GetClientRect(GetDlgItem(helps[1], 1024), &before);
  SetWindowPos(helps[0], nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(300);
  GetClientRect(helps[0], &client);
  GetClientRect(GetDlgItem(helps[1], 1024), &other);
  GetWindowRect(GetDlgItem(helps[0], 1024), &document);  // scroll bar and edge included
  MapWindowPoints(nullptr, helps[0], reinterpret_cast<POINT*>(&document), 2);
  Check(EqualRect(&document, &client) && EqualRect(&other, &before),
        "two help windows; the resized one's document fills it, the other's is untouched");
  for (HWND help : helps) Close(help);
  for (HWND help : helps) Gone(help);
}

// One multiparameter download carries the start window, the progress window, printing, the
// saves, the quit question, sorting, help and Delete; the saves come before any reading is
// deleted so that the runner can compare them with datapond-cli's files.
void MultiParameter() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  Picture(start, "start-window-several-ports", true);
  Check(Text(start, 1002) == "1. Select a serial port and connect the portable unit to that port." &&
            Text(start, 1003) == "2. Press the MENU button on the portable unit and select the PC Extract option." &&
            Text(start, 1004) == "3. The portable display should read: Waiting for Request from PC..." &&
            Text(start, 1005) == "4. Click button below when ready." && Text(start, 1006) == "Serial Port" &&
            Text(start, 1007) == "Get Data" && GetDlgItem(start, 1008) == nullptr,
        "the start window's four lines, caption and button, no single-port box");
  HWND list = GetDlgItem(start, 1009);
  std::string ports;
  for (int i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) ports += ListEntry(list, i) + " ";
  // COM10 is listed under a name of 99 characters.
  Check(ports == "COM10 COM5 COM6 COM7 COM8 ", "usable ports in the program's order, no printer port: " + ports);
  Check((GetWindowLongW(list, GWL_STYLE) & WS_TABSTOP) == 0, "only Get Data is a tab stop");
  HWND progress = GetDataFrom(start, L"COM7");
  if (!progress) return Check(false, "the progress window shows");
  {
    std::lock_guard<std::mutex> lock(labelsMutex);
    Check(statusLabels.size() == 2 && statusLabels[1].first == "Initializing communications..." &&
              statusLabels[1].second.rfind("COM7\r\n", 0) == 0,
          "the progress window is made with its first status, after the port is remembered");
  }
  Sleep(1500);
  Picture(progress, "progress-window", true);
  Check(Text(progress, 1001) == "Retrieving Logged Readings...", "progress status: " + Text(progress, 1001));
  HWND data = Dialog(L"Brevanta MultiParameter Portable Logged Data");
  if (!data) return Check(false, "the data window opens with the multiparameter title");
  Check(!IsWindow(start), "the start window is gone");
  Picture(data, "data-window-multiparameter", true);
  CheckGridMatchesCore(data, "multiparameter grid");
  HWND grid = Grid(data);
  const int all = TheProgram().table.count;
  Print(data);

  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring base = std::wstring(folder) + L"\\";
  HANDLE lock = CreateFileW((base + L"locked.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  SaveAs(data, 1018, L"Save As .csv", 0, base + L"locked.csv");
  Answer(L"ERROR!", IDOK, "save-error");
  CloseHandle(lock);
  SaveAs(data, 1018, L"Save As .csv", 0, L"");
  Check(TheProgram().table.dataSaved == 0, "printing, a failed save and a cancelled one leave the readings unsaved");

  Close(data);
  Answer(L"Sure?", IDNO, "quit-question");
  Delete(grid, {});
  std::vector<int> every;
  for (int r = 0; r < all; ++r) every.push_back(r);
  Delete(grid, every);
  Answer(L"Sure?", IDNO);
  Check(IsWindowVisible(data) && TheProgram().table.count == all && Count(grid) == all,
        "No to the quit question, Delete with nothing selected, and Delete of every row answered No keep every reading");
  Select(grid, {});

  SaveAs(data, 1018, L"Save As .csv", 0, base + L"win-all.csv");
  SaveAs(data, 1023, L"Save As Column Formatted Text .txt", 0, base + L"win-all-text.txt");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1017, L"Save As .xls", 5, base + L"win-selected.xls");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1016, L"Save As Tabbed .txt", 4, base + L"win-all-tab.txt");
  Select(grid, {8, 1, 4});
  SaveAs(data, 1023, L"Save As Column Formatted Text .txt", 5, base + L"win-selected-text");
  Check(TheProgram().table.dataSaved == 1 && TheProgram().defaults.SaveFolder == Narrow(base) &&
            !FileBytes(Narrow(base) + "win-selected-text.txt").empty(),
        "a save marks the readings saved, remembers its folder, and adds .txt to a bare name");

  Sort(data, 5, 1030, 1032, true, "sort-dialog-mixed");
  Check(Headers(grid) == "Type(Units), Time, Location, Reading, Temp (\xC2\xB0" "C)" && TheProgram().table.sortPriority == TypeTime,
        "Re-Sort by type then time puts the type first: " + Headers(grid));
  Sort(data, 5, 1032, 1029, false);
  Check(TheProgram().table.sortPriority == TypeTime && Headers(grid).rfind("Type(Units)", 0) == 0, "Cancel changes nothing");
  Help(data);

  const std::string fourth = Cell(grid, 3, 1) + Cell(grid, 3, 2);
  Delete(grid, {0, 2});
  Check(TheProgram().table.count == all - 2 && Cell(grid, 1, 1) + Cell(grid, 1, 2) == fourth,
        "Delete removes the two selected readings and the next moves up");
  std::vector<int> others;  // every reading of another type than the first row's
  for (int r = 0; r < Count(grid); ++r) {
    if (Cell(grid, r, 0) != Cell(grid, 0, 0)) others.push_back(r);
  }
  Delete(grid, others);
  Picture(data, "data-window-one-type-left", false);
  CheckGridMatchesCore(data, "one type left after Delete");
  Close(data);
  Check(Gone(data), "saved readings close without a question");
}

void DissolvedOxygen() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  HWND list = GetDlgItem(start, 1009);
  const std::string shown = ListEntry(list, SendMessageW(list, CB_GETCURSEL, 0, 0));
  Check(shown == "COM7", "the port of the last download is preselected: " + shown);
  GetDataFrom(start, L"COM5");
  HWND prompt = Dialog(L"Model Orvane");
  if (!prompt) return Check(false, "the units prompt shows");
  Picture(prompt, "units-prompt", true);
  Check(Text(prompt, 1012) == "Please choose which type of D.O. units were selected" &&
            Text(prompt, 1013) == "for use on this Model Orvane Dissolved Oxygen" &&
            Text(prompt, 1014) == "meter when the data was logged." && Text(prompt, 1010) == "mg/l  (PPM)" &&
            Text(prompt, 1011) == "% of Saturation",
        "the units question and its two answers");
  Click(prompt, 1011);
  Gone(prompt);
  Sleep(500);
  HWND progress = FindWindowW(L"#32770", L"Wait!");
  HWND below = progress;  // the start window must lie below it in the order on the screen
  while (below != nullptr && below != start) below = GetWindow(below, GW_HWNDNEXT);
  Check(progress != nullptr && GetForegroundWindow() == progress && below == start,
        "after the answer the progress window is in front again");
  HWND data = Dialog(L"Brevanta Model Orvane D.O. Logged Data");
  if (!data) return Check(false, "the data window opens with the dissolved-oxygen title");
  Picture(data, "data-window-dissolved-oxygen", false);
  CheckGridMatchesCore(data, "dissolved-oxygen grid");
  Sort(data, 2, 1030, 1029, true, "sort-dialog-single-type");
  Check(Headers(Grid(data)) == "Time, Location, D.O. (%Sat), Temp (\xC2\xB0" "C)", "Re-Sort by time: " + Headers(Grid(data)));
  Close(data);
  Answer(L"Sure?", IDYES);
  Check(Gone(data), "Yes closes the data window");
}

// A meter unplugged mid-download and a silent one each end in the ERROR! box with the start
// window still usable; another port then downloads.
void Faults() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  GetDataFrom(start, L"COM13");
  Answer(L"ERROR!", IDOK);
  GetDataFrom(start, L"COM8");
  HWND box = Dialog(L"ERROR!");
  Check(box && Text(box, 0xFFFF) == "No reply from Instrument", "a silent meter: " + (box ? Text(box, 0xFFFF) : ""));
  Answer(L"ERROR!", IDOK, "error-box", false);
  Check(IsWindow(start) && IsWindowEnabled(start), "the start window stays open and usable");
  GetDataFrom(start, L"COM6");
  // The runner has put a file where the kept downloads go: the download goes on regardless.
  HWND warning = Dialog(L"Warning!");
  Check(warning && Text(warning, 0xFFFF).find("could not be kept in C:\\") != std::string::npos,
        "a download that cannot be kept says where: " + (warning ? Text(warning, 0xFFFF) : ""));
  Answer(L"Warning!", IDOK, "not-kept-warning");
  HWND data = Dialog(L"Brevanta Model Tessil TSS Logged Data");
  if (!data) return Check(false, "the data window opens with the suspended-solids title");
  Picture(data, "data-window-suspended-solids", false);
  CheckGridMatchesCore(data, "suspended-solids grid");
  Close(data);
  Answer(L"Sure?", IDYES);
}

void OnePort() {
  HWND start = StartWindow();
  if (!start) return Check(false, "the start window opens");
  Picture(start, "start-window-one-port", false);
  Check(Text(start, 1002) == "1. Be sure that the portable unit is connected to the serial port." &&
            Text(start, 1008) == "COM5" && GetDlgItem(start, 1009) == nullptr,
        "one port: its own line 1, the port in a box, no list");
  PostMessageW(start, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // as Escape does
  Sleep(300);
  Check(IsWindowVisible(start) != 0, "Escape closes nothing");
  Close(start);
  Check(Gone(start), "the close box ends the program");
}

// The Wait! window, held open by wmain until pictured, then the program finds no port.
void NoPort() {
  HWND wait = Dialog(L"Wait!");
  if (!wait) return Check(false, "the Wait! window");
  Picture(wait, "wait-window", true);
  RECT client{}, label{};
  GetClientRect(wait, &client);
  GetClientRect(GetDlgItem(wait, 1001), &label);
  Check(Text(wait, 1001) == "Detecting COM ports..." && label.right + 4 >= client.right &&
            (GetWindowLongW(GetDlgItem(wait, 1001), GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0 &&
            (GetWindowLongW(wait, GWL_STYLE) & WS_SYSMENU) == 0,
        "Wait!: its text in a framed label filling the window, no close box");
  Gone(wait);
  Answer(L"Problem!", IDOK, "no-port-problem");
}

const struct {
  const char* name;
  void (*drive)();
} kScenarios[] = {{"multiparameter", MultiParameter}, {"dissolved-oxygen", DissolvedOxygen}, {"faults", Faults},
                  {"one-port", OnePort},             {"no-port", NoPort}};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::string wanted = argc > 1 ? Narrow(argv[1]) : "";
  void (*drive)() = nullptr;
  for (const auto& s : kScenarios) drive = wanted == s.name ? s.drive : drive;
  if (drive == nullptr) return std::printf("usage: ProgramTest SCENARIO (see kScenarios)\n"), 2;
  SetWindowsHookExW(WH_CBT, WatchStatusLabels, nullptr, GetCurrentThreadId());
  std::thread driver(drive);
  if (wanted == "no-port") {
    // The window shows only while the ports are looked for; here it stays until pictured.
    HWND wait = ShowWaitWindow();
    for (int i = 0; i < 40; ++i) PumpMessages(), Sleep(50);
    DestroyWindow(wait);
  }
  RunProgram();
  driver.join();
  std::printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
