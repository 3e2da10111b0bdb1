#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "DialogTemplate.h"
#include "Download.h"
#include "Program.h"
#include "ReadingGrid.h"
#include "WideText.h"
#include "resource.h"

namespace {

const wchar_t* const kQuitTitle = L"Sure?";
const wchar_t* const kQuitText = L"You have not saved this data to a file.  Do you really want to QUIT?";

HWND Grid(HWND window) { return GetDlgItem(window, IDC_GRID); }

// The room a column header takes beside its caption: its edges and the space within them.
constexpr int kCaptionMargin = 16;

int DialogUnitsToPixels(HWND window, int width) {
  RECT r{0, 0, width, 0};
  MapDialogRect(window, &r);
  return r.right;
}

}  // namespace

// Puts the grid texts into the list view: column 1 stays and takes its new caption, the
// others and every row are built again.
void RefillGrid(HWND window, Program& program) {
  HWND grid = Grid(window);
  // Nothing is drawn until every row is in: no half-filled grid shows while it is built.
  SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  const int oldColumns = program.table.shownLayout == 0 ? 0 : ColumnCount(program.table.shownLayout);
  if (oldColumns > 0) SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  for (int c = oldColumns - 1; c >= 1; --c) SendMessageW(grid, LVM_DELETECOLUMN, static_cast<WPARAM>(c), 0);

  program.grid = fillGrid(program.table, program.calendar);
  const GridTexts& texts = program.grid;
  for (size_t c = 0; c < texts.columns.size(); ++c) {
    const GridColumn& column = texts.columns[c];
    std::wstring header = Widen(column.header);
    LVCOLUMNW lv{};
    lv.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    lv.fmt = column.centred ? LVCFMT_CENTER : LVCFMT_LEFT;
    // As wide as the column's width, or as its caption where that needs more ("Temp (°C)").
    const auto caption =
        static_cast<int>(SendMessageW(grid, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(header.c_str())));
    lv.cx = std::max(DialogUnitsToPixels(window, column.width), caption + kCaptionMargin);
    lv.pszText = header.data();
    const UINT verb = c == 0 && oldColumns > 0 ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW;
    SendMessageW(grid, verb, c, reinterpret_cast<LPARAM>(&lv));
  }
  for (size_t r = 0; r < texts.rows.size(); ++r) {
    for (size_t c = 0; c < texts.columns.size(); ++c) {
      std::wstring cell = Widen(texts.rows[r][c]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(r);
      item.iSubItem = static_cast<int>(c);
      item.pszText = cell.data();
      SendMessageW(grid, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : r, reinterpret_cast<LPARAM>(&item));
    }
  }
  SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::vector<int32_t> SelectedRows(HWND window) {
  HWND grid = Grid(window);
  std::vector<int32_t> rows;
  for (int row = -1;
       (row = static_cast<int>(SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0;) {
    rows.push_back(row + 1);
  }
  return rows;
}

namespace {

bool MayQuit(HWND window, const ReadingTable& table) {
  if (table.dataSaved == 1) return true;
  if (MessageBoxW(nullptr, kQuitText, kQuitTitle, MB_YESNO | MB_TASKMODAL) == IDYES) return true;
  // The question has no owner to hand the activation back to: without this no window
  // would take the keyboard after No.
  SetForegroundWindow(window);
  return false;
}

// Delete removes the selected readings; with every row selected it closes the window, after
// the quit question while the readings are unsaved.
void DeleteSelected(HWND window, Program& program) {
  HWND grid = Grid(window);
  const int selected = static_cast<int>(SendMessageW(grid, LVM_GETSELECTEDCOUNT, 0, 0));
  if (selected == 0) return;
  if (selected == program.table.count) {
    if (MayQuit(window, program.table)) EndDialog(window, 0);
    return;
  }
  for (int32_t row : SelectedRows(window)) program.table.readings[static_cast<size_t>(row - 1)].discard = 1;
  Compaction(program.table, program.table.count);
  RefillGrid(window, program);
}

// The grid's own procedure, but for the Delete key and Ctrl+A, which selects every row; the
// program comes as the subclass's data.
LRESULT CALLBACK GridKeyHandler(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR program) {
  if (message == WM_KEYDOWN && wParam == VK_DELETE) {
    DeleteSelected(GetParent(grid), *reinterpret_cast<Program*>(program));
    return 0;
  }
  // Ctrl alone: Ctrl+Alt is AltGr, which types a character on some keyboards.
  if (message == WM_KEYDOWN && wParam == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
    ListView_SetItemState(grid, -1, LVIS_SELECTED, LVIS_SELECTED);
    return 0;
  }
  return DefSubclassProc(grid, message, wParam, lParam);
}

HMENU BuildMenu() {
  HMENU saveAs = CreatePopupMenu();
  AppendMenuW(saveAs, MF_STRING, IDM_SAVE_XLS, L"Excel XP and Later (.xls)");
  AppendMenuW(saveAs, MF_STRING, IDM_SAVE_CSV, L"Comma delimited text (.csv) for older Excel");
  AppendMenuW(saveAs, MF_STRING, IDM_SAVE_TAB, L"Tab Delimited Text (.txt)");
  AppendMenuW(saveAs, MF_STRING, IDM_SAVE_TEXT, L"Formatted Plain Text (.txt) for Notepad, etc.");
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, IDM_PRINT, L"Print");
  AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(saveAs), L"Save As");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"File");
  AppendMenuW(bar, MF_STRING, IDM_SORT, L"Sort");
  AppendMenuW(bar, MF_STRING, IDM_HELP, L"Help");
  return bar;
}

void OnInitDialog(HWND window, Program& program) {
  SetProgramIcon(window);
  SetMenu(window, BuildMenu());
  HWND grid = Grid(window);
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  SetWindowSubclass(grid, GridKeyHandler, 0, reinterpret_cast<DWORD_PTR>(&program));
  RECT client{};
  GetClientRect(window, &client);
  MoveWindow(grid, 0, 0, client.right, client.bottom, TRUE);
  program.table.shownLayout = 0;
  RefillGrid(window, program);
}

INT_PTR CALLBACK DataWindowHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      KeepProgram(window, lParam);
      OnInitDialog(window, ProgramOf(window));
      return 1;
    case WM_SIZE: MoveWindow(Grid(window), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE); return 1;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) return MayQuit(window, ProgramOf(window).table) ? 0 : 1;
      return 0;
    case WM_CLOSE: EndDialog(window, 0); return 1;
    case WM_DESTROY: RemoveWindowSubclass(Grid(window), GridKeyHandler, 0); return 0;
    // Escape's IDCANCEL closes nothing.
    case WM_COMMAND: return DataWindowCommand(window, ProgramOf(window), wParam);
    default: return 0;
  }
}

}  // namespace

void RunDataWindow(Program& program) {
  DialogTemplate t(Widen(DataWindowTitle(program.table.meterKind)), WS_OVERLAPPEDWINDOW | DS_MODALFRAME | DS_CENTER, 0,
                   310, 215);
  t.Add(IDC_GRID, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, 0, 0, 0, 310, 215);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr, DataWindowHandler,
                          reinterpret_cast<LPARAM>(&program));
}
