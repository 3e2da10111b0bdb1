#pragma once

#include <vector>

// Where File > Print puts the grid's texts, worked out without a printer so it can be tested.
// All positions are in printer device units from the top-left corner of the printable area.

// The printer's metrics (GetDeviceCaps).
struct PageMetrics {
  int dpiX;             // LOGPIXELSX
  int dpiY;             // LOGPIXELSY
  int physicalOffsetX;  // PHYSICALOFFSETX
  int physicalOffsetY;  // PHYSICALOFFSETY
  int physicalHeight;   // PHYSICALHEIGHT
  int printableHeight;  // VERTRES
};

// The print font's metrics.
struct FontMetrics {
  int lineHeight;   // the height of the text "Height"
  int lineAdvance;  // tmHeight + tmExternalLeading
};

// The width of every text of the grid, measured in the print font.
struct PrintTexts {
  std::vector<int> headingWidths;            // one per column; their count is the column count
  std::vector<std::vector<int>> cellWidths;  // every grid row, [row][column]
};

struct PrintedText {
  int row;     // the grid row (an index into cellWidths), -1 for a heading
  int column;  // 0-based
  int x;       // left edge
  int y;       // top
  bool operator==(const PrintedText&) const = default;
};

// The line under the headings, from (x1, y) to (x2, y).
struct PrintRule {
  int x1;
  int y;
  int x2;
  int thickness;  // pen width
  bool operator==(const PrintRule&) const = default;
};

// One sheet: the headings first, then the rows top to bottom, each left to right.
struct PrintedPage {
  std::vector<PrintedText> texts;
  PrintRule rule;
};

// The measures every page shares.
struct PrintGeometry {
  int left;                  // one inch from the paper's left edge, at least 0
  int top;                   // one inch from the paper's top edge, at least 0
  int bottom;                // one inch above the paper's bottom edge, at most VERTRES
  std::vector<int> centres;  // each column's centre
  int ruleEnd;               // the right end of the rule: the right edge of the last column
  int ruleY;
  int ruleThickness;
  int firstRowY;  // the top of a page's first row
};

// Column widths are the widest heading or cell over every row of cellWidths.
PrintGeometry ComputePrintGeometry(const PageMetrics& page, const FontMetrics& font, const PrintTexts& texts);

// The pages that print the given grid rows (0-based, in the order given: all rows, or the
// selected ones) under the headings, which are repeated on every page. There is always at
// least one page, so an empty row list prints the headings alone. Each text is centred on
// its column: x = centre - width / 2, rounded to the nearest unit with halves to even.
// Every entry of rows must index cellWidths.
std::vector<PrintedPage> LayOutPrint(const PageMetrics& page, const FontMetrics& font, const PrintTexts& texts,
                                     const std::vector<int>& rows);
