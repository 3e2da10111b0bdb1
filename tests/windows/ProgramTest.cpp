// Runs the real program on this thread and drives its windows from a second one, as a user
// would: it reads the controls back, clicks, answers the questions, and saves a picture of
// every window. One scenario a run (each is a program start under Wine): ProgramTest SCENARIO.
// Texts, file bytes, sorting and the print layout are the core's and tested there: here the
// windows show, save and print what the core made.
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Program.h"
#include "ReadingGrid.h"
#include "Screenshot.h"
#include "WideText.h"
#include "resource.h"

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

// The dialog or box of this title. Without it nothing further can be driven: the run ends, failed.
HWND Shown(const wchar_t* title) {
  HWND shown = WaitFor([title]() -> HWND {
    HWND w = FindWindowW(L"#32770", title);
    return w != nullptr && IsWindowVisible(w) ? w : nullptr;
  });
  if (shown == nullptr) {
    Check(false, "the window \"" + Narrow(title) + "\" comes");
    ExitProcess(1);
  }
  return shown;
}

bool Gone(HWND window) {
  const auto gone = [window]() -> HWND { return IsWindow(window) && IsWindowVisible(window) ? nullptr : HWND(1); };
  return WaitFor(gone) != nullptr;
}

// The text of the window's control.
std::string Text(HWND window, int id) {
  wchar_t text[512] = {};
  GetWindowTextW(GetDlgItem(window, id), text, 512);
  return Narrow(text);
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Command(HWND data, int id) { PostMessageW(data, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void Close(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Keys pressed as a user presses them, reaching whichever window has the keyboard: each goes
// down in turn, then up in the reverse order.
void Press(std::initializer_list<BYTE> keys) {
  for (BYTE key : keys) keybd_event(key, 0, 0, 0);
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) keybd_event(*key, 0, KEYEVENTF_KEYUP, 0);
}

// The window as it is on the screen, for the runner to turn into PNG; the program's own
// windows (not message boxes or common dialogs) must carry its icon.
void Picture(HWND window, const char* name, bool ours) {
  if (name == nullptr) return;
  Sleep(400);  // let it paint
  if (const char* folder = std::getenv("DATAPOND_SCREENSHOTS"))
    SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
  if (ours) {
    Check(SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0 && SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0,
          std::string(name) + " carries the program's icon");
  }
}

// A message or question box, optionally pictured, answered with a button; returns its message.
std::string Answer(const wchar_t* title, int button, const char* picture = nullptr, bool ours = false) {
  HWND box = Shown(title);
  const std::string message = Text(box, 0xFFFF);
  Picture(box, picture, ours);
  Click(box, button);
  Gone(box);
  Sleep(300);
  return message;
}

HWND Grid(HWND data) { return GetDlgItem(data, IDC_GRID); }

std::string Cell(HWND grid, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(grid, row, column, text, 256);
  return Narrow(text);
}

int Count(HWND grid) { return ListView_GetItemCount(grid); }

// The column headers joined by ", ".
std::string Headers(HWND grid) {
  std::string joined;
  wchar_t text[128] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = text;
  column.cchTextMax = 128;
  for (int c = 0; ListView_GetColumn(grid, c, &column); ++c) joined += (c ? ", " : "") + Narrow(text);
  return joined;
}

// The list view holds exactly the core's grid texts, headers and widths for the table it shows.
void CheckGridMatchesCore(const Program& program, HWND data, const std::string& what) {
  ReadingTable copy = program.table;
  const GridTexts texts = fillGrid(copy, program.calendar);
  HWND grid = Grid(data);
  std::string headers;
  bool same = Count(grid) == static_cast<int>(texts.rows.size());
  for (int c = 0; c < static_cast<int>(texts.columns.size()); ++c) {
    headers += (c ? ", " : "") + texts.columns[c].header;
    // The column's width, or as much wider as its caption needs, no more.
    RECT units{0, 0, texts.columns[c].width, 0};
    MapDialogRect(data, &units);
    const int width = ListView_GetColumnWidth(grid, c);
    const int caption = ListView_GetStringWidth(grid, Widen(texts.columns[c].header).c_str());
    same =
        same && width >= std::max<int>(units.right, caption + 12) && width <= std::max<int>(units.right, caption + 16);
    for (int r = 0; same && r < Count(grid); ++r) same = Cell(grid, r, c) == texts.rows[r][c];
  }
  Check(same && Headers(grid) == headers, what + ": the core's headers, widths and every cell of " +
                                              std::to_string(texts.rows.size()) + " rows: " + Headers(grid));
}

// Row -1 selects every row.
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
void Sort(HWND data, int offered, int preselected, int press, bool reSort, const char* picture) {
  Command(data, IDM_SORT);
  HWND dialog = Shown(L"Sort Priority Options");
  Picture(dialog, picture, true);
  int present = 0;
  for (int id = IDC_SORT_TIME; id <= IDC_SORT_TYPE_LOCATION_TIME; ++id) present += GetDlgItem(dialog, id) ? 1 : 0;
  Check(present == offered && IsDlgButtonChecked(dialog, preselected) == BST_CHECKED &&
            (GetWindowLongW(dialog, GWL_STYLE) & WS_SYSMENU) == 0,
        std::to_string(offered) + " sort options, " + std::to_string(preselected) + " preselected, no close box");
  PostMessageW(GetDlgItem(dialog, press), BM_CLICK, 0, 0);
  Sleep(200);
  Click(dialog, reSort ? IDC_RESORT : IDC_SORT_CANCEL);
  Gone(dialog);
  Sleep(300);
}

// A Save As command through the scope question (when rows are selected) and the real
// save-file dialog, where the name is typed and Save pressed; "" as the name cancels.
// The rows given are deleted while the dialog is open.
void SaveAs(HWND data, int command, const wchar_t* title, int scopeButton, const std::wstring& name,
            const std::vector<int>& deleted = {}) {
  Command(data, command);
  if (scopeButton != 0)
    Answer(L"Save All or Selection?", scopeButton, scopeButton == IDC_SAVE_SELECTED ? "save-prompt" : nullptr, true);
  HWND dialog = Shown(title);
  if (command == IDM_SAVE_XLS) {
    Picture(dialog, "save-file-dialog", false);
    RECT box{}, window{};
    GetWindowRect(dialog, &box);
    GetWindowRect(data, &window);
    const POINT centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    Check(PtInRect(&window, centre) && GetWindow(dialog, GW_OWNER) == nullptr,
          "the save-file dialog opens over the data window, owned by none");
  }
  if (!deleted.empty()) Delete(Grid(data), deleted);
  SetDlgItemTextW(dialog, cmb13, name.c_str());  // the file name box of the explorer-style dialog
  SetDlgItemTextW(dialog, edt1, name.c_str());
  Click(dialog, name.empty() ? IDCANCEL : IDOK);
  // The dialog's own questions (replace the file? create it?) come in boxes of its title.
  const auto question = [dialog, title]() -> HWND {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", title)) != nullptr;) {
      if (w != dialog && IsWindowVisible(w)) return w;
    }
    return nullptr;
  };
  if (HWND box = WaitFor(question, name.empty() ? 0 : 1.5)) Click(box, IDYES);
  Gone(dialog);
  Sleep(500);
}

HWND StartWindow() { return Shown(L"Brevanta - Portable Instrument Logged Data"); }

// Chooses the port in the list as a user does (no port's name begins another's), then clicks Get Data.
void GetDataFrom(HWND start, const wchar_t* port) {
  HWND list = GetDlgItem(start, IDC_PORT_LIST);
  SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port));
  PostMessageW(start, WM_COMMAND, MAKEWPARAM(IDC_PORT_LIST, CBN_SELENDOK), reinterpret_cast<LPARAM>(list));
  Sleep(100);
  Click(start, IDC_GET_DATA);
}

// Two print jobs to the PDF printer, which the runner reads: the selected rows, then all.
void Print(HWND data) {
  for (bool selection : {true, false}) {
    Select(Grid(data), selection ? std::vector<int>{1, 4, 8} : std::vector<int>{});
    PostMessageW(data, WM_COMMAND, MAKEWPARAM(IDM_PRINT, 1), 0);  // any notification code prints
    HWND dialog = Shown(L"Print");
    if (selection) Picture(dialog, "print-dialog", false);
    Click(dialog, IDOK);
    Gone(dialog);
    Sleep(2000);
  }
}

// Help, once its window shows the document; null when it does not.
HWND OpenHelp(HWND data) {
  Command(data, IDM_HELP);
  HWND help = WaitFor([]() -> HWND {
    HWND w = FindWindowW(L"#32770", L"Datapond Help");
    return w && IsWindowVisible(w) && GetWindowTextLengthW(GetDlgItem(w, IDC_HELP_DOCUMENT)) > 1000 ? w : nullptr;
  });
  Check(help != nullptr, "Help opens a window with the document");
  return help;
}

// Help: the document in a window of its own, still filling it when the window is resized.
void Help(HWND data) {
  HWND help = OpenHelp(data);
  if (help == nullptr) return;
  Picture(help, "help-window", true);
  RECT client{}, document{};
  SetWindowPos(help, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(300);
  GetClientRect(help, &client);
  GetWindowRect(GetDlgItem(help, IDC_HELP_DOCUMENT), &document);  // scroll bar and edge included
  MapWindowPoints(nullptr, help, reinterpret_cast<POINT*>(&document), 2);
  Check(EqualRect(&document, &client), "the help window's document fills it when resized");
  Close(help);
  Gone(help);
}

// One multiparameter download carries the start window, the progress window, printing, the
// saves, the quit question, sorting, help and Delete; the saves come before any reading is
// deleted so that the runner can compare them with datapond-cli's files.
void MultiParameter(Program& program) {
  HWND start = StartWindow();
  Picture(start, "start-window-several-ports", true);
  // Which ports and in what order is the Windows datapond-cli's check, as both list them alike.
  Check(SendDlgItemMessageW(start, IDC_PORT_LIST, CB_GETCOUNT, 0, 0) == 5 &&
            GetNextDlgTabItem(start, GetDlgItem(start, IDC_GET_DATA), FALSE) == GetDlgItem(start, IDC_PORT_LIST),
        "five usable ports, no printer port, in a list that Tab reaches from Get Data");
  GetDataFrom(start, L"COM7");
  HWND progress = Shown(L"Wait!");
  Sleep(1500);
  Picture(progress, "progress-window", true);
  Check(Text(progress, IDC_WAIT_TEXT) == "Retrieving Logged Readings...", "status: " + Text(progress, IDC_WAIT_TEXT));
  // The runner's limits.txt beside the kept downloads: pH below 6.6 or above 8.2, which three
  // readings of the demonstration log are.
  const std::string past = Answer(L"Past the limits", IDOK, "past-limits-box");
  Check(past.starts_with("3 of the 72 readings are past the limits in C:\\") &&
            past.ends_with("\\Documents\\Datapond\\Downloads\\limits.txt."),
        "one box says how many readings are past the limits: " + past);
  HWND data = Shown(L"Brevanta MultiParameter Portable Logged Data");
  Picture(data, "data-window-multiparameter", true);
  CheckGridMatchesCore(program, data, "multiparameter grid");
  HWND grid = Grid(data);
  int all = program.table.count;
  Print(data);

  const std::wstring base = std::filesystem::current_path().wstring() + L"\\";
  HANDLE lock = CreateFileW((base + L"locked.csv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  SaveAs(data, IDM_SAVE_CSV, L"Save As .csv", 0, base + L"locked.csv");
  const std::string error = Answer(L"ERROR!", IDOK, "save-error");
  Check(error.find("locked.csv") != std::string::npos, "a failed save names the file: " + error);
  CloseHandle(lock);
  SaveAs(data, IDM_SAVE_CSV, L"Save As .csv", 0, L"");
  // Printing, the failed save and the cancelled one saved nothing: closing asks.
  Close(data);
  Answer(L"Sure?", IDNO, "quit-question");
  // After each No the keyboard reaches the data window again: Delete there, then Alt+F4.
  Select(grid, {-1});
  Press({VK_DELETE});
  Answer(L"Sure?", IDNO);
  Press({VK_MENU, VK_F4});
  Answer(L"Sure?", IDNO);
  Picture(data, "data-window-after-no", false);
  Check(IsWindowVisible(data) && program.table.count == all && Count(grid) == all,
        "No to the quit question, from the close box, Delete of every row and Alt+F4, keeps every reading");

  // A save in each format, with each answer to the scope question, for the runner to compare.
  Select(grid, {});
  SaveAs(data, IDM_SAVE_CSV, L"Save As .csv", 0, base + L"win-all.csv");
  Select(grid, {8, 1, 4});
  SaveAs(data, IDM_SAVE_XLS, L"Save As .xls", IDC_SAVE_SELECTED, base + L"win-selected.xls");
  SaveAs(data, IDM_SAVE_TAB, L"Save As Tabbed .txt", IDC_SAVE_ALL, base + L"win-all-tab");  // a bare name gets .txt
  // The selected rows are deleted while the save-file dialog is open: the file still holds them.
  SaveAs(data, IDM_SAVE_TEXT, L"Save As Column Formatted Text .txt", IDC_SAVE_SELECTED, base + L"win-selected-text.txt",
         {8, 1, 4});
  all -= 3;

  Sort(data, 5, IDC_SORT_LOCATION_TIME, IDC_SORT_TYPE_TIME, true, "sort-dialog-mixed");
  Check(Headers(grid) == "Type(Units), Time, Location, Reading, Temp (°C)",
        "Re-Sort by type then time puts the type first: " + Headers(grid));
  Sort(data, 5, IDC_SORT_TYPE_TIME, IDC_SORT_TIME, false, nullptr);
  Check(program.table.sortPriority == TypeTime, "Cancel leaves the order as it was");
  Help(data);

  std::vector<int> others;  // every reading of another type than the first row's
  for (int r = 0; r < Count(grid); ++r) {
    if (Cell(grid, r, 0) != Cell(grid, 0, 0)) others.push_back(r);
  }
  Delete(grid, others);
  Picture(data, "data-window-one-type-left", false);
  Check(program.table.count == all - static_cast<int>(others.size()), "Delete removes the selected readings");
  CheckGridMatchesCore(program, data, "one type left after Delete");
  // One type offers two orders; the type-first order has become Time.
  Sort(data, 2, IDC_SORT_TIME, IDC_SORT_LOCATION_TIME, true, "sort-dialog-single-type");
  Check(Headers(grid) == "Location, Time, D.O. (ppm), Temp (°C)", "Re-Sort of one type: " + Headers(grid));
  Close(data);
  Check(Gone(data), "saved readings close without a question");
}

// The port of the last run is preselected; a meter unplugged mid-download and a silent one end
// in the ERROR! box with the start window usable again; then a dissolved-oxygen download, which
// the runner has left no folder to keep, asks its units and shows its readings regardless.
void Faults(Program&) {
  HWND start = StartWindow();
  Check(Text(start, IDC_PORT_LIST) == "COM7", "the last download's port is preselected: " + Text(start, IDC_PORT_LIST));
  GetDataFrom(start, L"COM13");
  Answer(L"ERROR!", IDOK);
  GetDataFrom(start, L"COM8");
  const std::string silent = Answer(L"ERROR!", IDOK, "error-box");
  Check(silent == "No reply from Instrument" && IsWindowEnabled(start),
        "a silent meter: \"" + silent + "\", and the start window is usable again");

  GetDataFrom(start, L"COM5");
  HWND prompt = Shown(L"Model Orvane");
  Picture(prompt, "units-prompt", true);
  Click(prompt, IDC_UNITS_SATURATION);
  Gone(prompt);
  Sleep(500);
  HWND progress = FindWindowW(L"#32770", L"Wait!");
  HWND below = progress;  // the start window must lie below it in the order on the screen
  while (below != nullptr && below != start) below = GetWindow(below, GW_HWNDNEXT);
  Check(progress != nullptr && GetForegroundWindow() == progress && below == start,
        "after the answer the progress window is in front again");
  const std::string warning = Answer(L"Warning!", IDOK, "not-kept-warning");
  Check(warning.find("could not be kept in C:\\") != std::string::npos,
        "a download that cannot be kept says where: " + warning);
  HWND data = Shown(L"Brevanta Model Orvane D.O. Logged Data");
  Picture(data, "data-window-dissolved-oxygen", false);
  Check(Headers(Grid(data)) == "Location, Time, D.O. (%Sat), Temp (°C)", "% of Saturation: " + Headers(Grid(data)));
  Close(data);
  Answer(L"Sure?", IDYES);
  Check(Gone(data), "Yes closes the data window");
}

// The thread's window with the keyboard, which GetFocus tells only of this thread's own.
HWND Focus(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Whether the text of the control fits inside it, in the control's own font.
bool Fits(HWND control) {
  wchar_t text[64] = {};
  GetWindowTextW(control, text, 64);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  RECT client{};
  GetClientRect(control, &client);
  return size.cx <= client.right && size.cy <= client.bottom;
}

// With one port, as a user with the keyboard alone: Enter starts the download from the start
// window, answers the units and re-sorts; Escape leaves the sort dialog and the save question,
// and not the units question; Tab runs down the sort dialog; Ctrl+A selects every row; the
// help window reads on with Page Down and closes with Escape.
void Keyboard(Program& program) {
  HWND start = StartWindow();
  HWND port = GetDlgItem(start, IDC_PORT_SHOWN);
  Picture(start, "start-window-one-port", true);
  Check(Text(start, IDC_PORT_SHOWN) == "COM5" && Fits(port), "the one port's box shows all of COM5");
  SetForegroundWindow(start);
  Press({VK_RETURN});
  HWND prompt = Shown(L"Model Orvane");
  Press({VK_ESCAPE});
  Sleep(500);
  Check(IsWindowVisible(prompt) && LOWORD(SendMessageW(prompt, DM_GETDEFID, 0, 0)) == IDC_UNITS_MG_PER_LITRE,
        "Enter on the start window downloads; Escape leaves the units unanswered, mg/l the default");
  Press({VK_RETURN});
  HWND data = Shown(L"Brevanta Model Orvane D.O. Logged Data");
  HWND grid = Grid(data);
  Check(Headers(grid) == "Location, Time, D.O. (mg/l), Temp (°C)", "Enter answered mg/l: " + Headers(grid));

  SetForegroundWindow(data);
  Press({VK_CONTROL, 'A'});
  Sleep(300);
  Check(ListView_GetSelectedCount(grid) == static_cast<UINT>(program.table.count), "Ctrl+A selects every row");

  Command(data, IDM_SORT);
  HWND sort = Shown(L"Sort Priority Options");
  HWND chosen = GetDlgItem(sort, IDC_SORT_LOCATION_TIME);
  HWND cancel = GetDlgItem(sort, IDC_SORT_CANCEL), resort = GetDlgItem(sort, IDC_RESORT);
  Check(Focus(sort) == chosen && GetNextDlgTabItem(sort, chosen, FALSE) == cancel &&
            GetNextDlgTabItem(sort, cancel, FALSE) == resort && GetNextDlgTabItem(sort, resort, FALSE) == chosen,
        "the sort dialog starts on the order chosen, and Tab runs down the screen");
  Press({VK_UP});
  Sleep(200);
  Picture(sort, "sort-dialog-keyboard", true);
  Press({VK_RETURN});
  Check(Gone(sort) && program.table.sortPriority == TimeOnly && Headers(grid).starts_with("Time"),
        "Up then Enter re-sorts by time");
  Sleep(300);
  Command(data, IDM_SORT);
  sort = Shown(L"Sort Priority Options");
  Press({VK_ESCAPE});
  Check(Gone(sort) && program.table.sortPriority == TimeOnly, "Escape leaves the sort dialog, the order as it was");

  // The save question: Escape and Alt+F4 save nothing, and Enter is Save ALL Data.
  Select(grid, {1, 2});
  for (std::initializer_list<BYTE> keys : {std::initializer_list<BYTE>{VK_ESCAPE}, {VK_MENU, VK_F4}}) {
    Command(data, IDM_SAVE_CSV);
    HWND scope = Shown(L"Save All or Selection?");
    Press(keys);
    const auto saveDialog = []() -> HWND { return FindWindowW(L"#32770", L"Save As .csv"); };
    Check(
        Gone(scope) && WaitFor(saveDialog, 1.5) == nullptr,
        std::string(keys.size() == 1 ? "Escape" : "Alt+F4") + " on the save question saves nothing, not the selection");
  }
  Command(data, IDM_SAVE_CSV);
  HWND scope = Shown(L"Save All or Selection?");
  Check(LOWORD(SendMessageW(scope, DM_GETDEFID, 0, 0)) == IDC_SAVE_ALL, "Save ALL Data is the default");
  Press({VK_RETURN});
  HWND file = Shown(L"Save As .csv");
  Click(file, IDCANCEL);
  Gone(file);

  HWND help = OpenHelp(data);
  if (help == nullptr) return;
  HWND document = GetDlgItem(help, IDC_HELP_DOCUMENT);
  Check(Focus(help) == document, "the help window opens with the keyboard in the document");
  SetForegroundWindow(help);
  Press({VK_NEXT});
  Sleep(300);
  Check(SendMessageW(document, EM_GETFIRSTVISIBLELINE, 0, 0) > 0, "Page Down reads on");
  Press({VK_ESCAPE});
  Check(Gone(help), "Escape closes the help window");

  Close(data);
  Answer(L"Sure?", IDYES);
  Check(Gone(data), "the data window closes");
}

const struct {
  const char* name;
  void (*drive)(Program&);
} kScenarios[] = {{"multiparameter", MultiParameter}, {"faults", Faults}, {"keyboard", Keyboard}};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::string wanted = argc > 1 ? Narrow(argv[1]) : "";
  void (*drive)(Program&) = nullptr;
  for (const auto& s : kScenarios) drive = wanted == s.name ? s.drive : drive;
  if (drive == nullptr) return std::printf("usage: ProgramTest SCENARIO (see kScenarios)\n"), 2;
  Program program;
  std::thread driver(drive, std::ref(program));
  RunProgram(program);
  driver.join();
  std::printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
