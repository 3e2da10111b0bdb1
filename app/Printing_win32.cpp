#include <windows.h>

#include <commdlg.h>

#include "PrintLayout.h"
#include "Program.h"
#include "WideText.h"

namespace {

const wchar_t* const kJobName = L"Logged Data Print";

int TextWidth(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// What the grid shows, as the printer will set it: every text measured in the print font.
PrintTexts MeasureGrid(HDC dc, const GridTexts& grid) {
  PrintTexts texts;
  for (const GridColumn& column : grid.columns) texts.headingWidths.push_back(TextWidth(dc, Widen(column.header)));
  for (const std::vector<std::string>& row : grid.rows) {
    std::vector<int>& widths = texts.cellWidths.emplace_back();
    for (const std::string& cell : row) widths.push_back(TextWidth(dc, Widen(cell)));
  }
  return texts;
}

void PrintPages(HDC dc, const GridTexts& grid, const std::vector<int>& rows) {
  PageMetrics page{GetDeviceCaps(dc, LOGPIXELSX),      GetDeviceCaps(dc, LOGPIXELSY),
                   GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY),
                   GetDeviceCaps(dc, PHYSICALHEIGHT),  GetDeviceCaps(dc, VERTRES)};
  HFONT font =
      CreateFontW(-MulDiv(12, page.dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  SIZE height{};
  GetTextExtentPoint32W(dc, L"Height", 6, &height);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const FontMetrics font_{static_cast<int>(height.cy), static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading)};

  for (const PrintedPage& printed : LayOutPrint(page, font_, MeasureGrid(dc, grid), rows)) {
    StartPage(dc);
    SelectObject(dc, font);
    for (const PrintedText& text : printed.texts) {
      const std::wstring words =
          Widen(text.row < 0 ? grid.columns[static_cast<size_t>(text.column)].header
                             : grid.rows[static_cast<size_t>(text.row)][static_cast<size_t>(text.column)]);
      TextOutW(dc, text.x, text.y, words.c_str(), static_cast<int>(words.size()));
    }
    HPEN pen = CreatePen(PS_SOLID, printed.rule.thickness, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, printed.rule.x1, printed.rule.y, nullptr);
    LineTo(dc, printed.rule.x2, printed.rule.y);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    EndPage(dc);
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

}  // namespace

void PrintReadings(HWND dataWindow, const Program& program) {
  const std::vector<int32_t> selected = SelectedRows(dataWindow);
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = dataWindow;
  dialog.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_NOPAGENUMS | (selected.empty() ? PD_NOSELECTION : PD_SELECTION);
  const BOOL chosen = PrintDlgW(&dialog);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  if (!chosen || dialog.hDC == nullptr) return;

  std::vector<int> rows;
  if ((dialog.Flags & PD_SELECTION) != 0) {
    for (int32_t row : selected) rows.push_back(row - 1);
  } else {
    for (int32_t row = 0; row < program.table.count; ++row) rows.push_back(row);
  }
  DOCINFOW job{};
  job.cbSize = sizeof job;
  job.lpszDocName = kJobName;
  if (StartDocW(dialog.hDC, &job) > 0) {
    PrintPages(dialog.hDC, program.grid, rows);
    EndDoc(dialog.hDC);
  }
  DeleteDC(dialog.hDC);
}
