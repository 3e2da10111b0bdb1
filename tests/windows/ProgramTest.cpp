// Runs the real program on this thread and drives its windows from a second one, as a user
// would: it reads the controls back, clicks, answers the questions, and saves a picture of
// every window. One scenario a run: ProgramTest SCENARIO (see kScenarios).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
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
  GetDataFrom(start, L"COM7");
  HWND progress = Dialog(L"Wait!");
  Check(progress != nullptr, "the progress window shows");
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
    Click(prompt, 1011);
  }
  HWND data = Dialog(L"Brevanta Model Orvane D.O. Logged Data");
  Check(data != nullptr, "the data window opens with the dissolved-oxygen title");
  if (!data) return;
  Picture(data, "data-window-dissolved-oxygen");
  CheckGridMatchesCore(data, "dissolved-oxygen grid");
  Check(Columns(GetDlgItem(data, 1020)) == 4, "four columns: one type with temperature");
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
    {"suspended-solids", DownloadSuspendedSolids},
    {"one-type-left", DeleteToOneType},
    {"unplugged", Unplugged},
    {"silent", SilentMeter},
    {"one-port", OnePort},
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
