#include "PrintLayout.h"

#include <algorithm>
#include <cstddef>

namespace {

// numerator / denominator (> 0) to the nearest whole unit, halves to even. Kept in integers so
// that fractions such as dpiX * 0.2 stay exact and a true half is seen as one.
int RoundHalfEven(long long numerator, long long denominator) {
  long long quotient = numerator / denominator;
  long long remainder = numerator % denominator;
  if (remainder < 0) {
    --quotient;
    remainder += denominator;
  }
  if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0)) ++quotient;
  return static_cast<int>(quotient);
}

// The left edge that centres a text of this width on centre: the edge itself is rounded,
// like every other position.
int LeftEdge(int centre, int width) { return RoundHalfEven(2LL * centre - width, 2); }

}  // namespace

PrintGeometry ComputePrintGeometry(const PageMetrics& page, const FontMetrics& font, const PrintTexts& texts) {
  const size_t columns = texts.headingWidths.size();
  std::vector<long long> widths(texts.headingWidths.begin(), texts.headingWidths.end());
  for (const std::vector<int>& row : texts.cellWidths) {
    for (size_t c = 0; c < columns && c < row.size(); ++c) widths[c] = std::max<long long>(widths[c], row[c]);
  }

  PrintGeometry geometry{};
  geometry.left = std::max(0, page.dpiX - page.physicalOffsetX);
  geometry.top = std::max(0, page.dpiY - page.physicalOffsetY);
  geometry.bottom = std::min(page.printableHeight, page.physicalHeight - page.dpiY - page.physicalOffsetY);

  // In tenths of a unit the gap (dpiX * 0.2) and a half width are whole, so only the final
  // position is rounded.
  const long long gapTenths = 2LL * page.dpiX;
  long long edgeTenths = 10LL * geometry.left;
  for (size_t c = 0; c < columns; ++c) {
    geometry.centres.push_back(RoundHalfEven(edgeTenths + 5 * widths[c], 10));
    edgeTenths += 10 * widths[c] + gapTenths;
  }
  geometry.ruleEnd = RoundHalfEven(columns == 0 ? edgeTenths : edgeTenths - gapTenths, 10);

  // dpiY * 0.02 is dpiY / 50 and dpiY * 0.05 is dpiY / 20.
  geometry.ruleThickness = RoundHalfEven(page.dpiY, 50);
  geometry.ruleY = RoundHalfEven(20LL * (geometry.top + font.lineAdvance) + page.dpiY, 20);
  geometry.firstRowY = RoundHalfEven(20LL * geometry.ruleY + page.dpiY, 20);
  return geometry;
}

std::vector<PrintedPage> LayOutPrint(const PageMetrics& page, const FontMetrics& font, const PrintTexts& texts,
                                     const std::vector<int>& rows) {
  const PrintGeometry geometry = ComputePrintGeometry(page, font, texts);
  const size_t columns = geometry.centres.size();
  std::vector<PrintedPage> pages;
  auto startPage = [&] {
    PrintedPage& sheet = pages.emplace_back();
    sheet.rule = {geometry.left, geometry.ruleY, geometry.ruleEnd, geometry.ruleThickness};
    for (size_t c = 0; c < columns; ++c) {
      sheet.texts.push_back(
          {-1, static_cast<int>(c), LeftEdge(geometry.centres[c], texts.headingWidths[c]), geometry.top});
    }
  };

  startPage();
  int y = geometry.firstRowY;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<int>& cells = texts.cellWidths[static_cast<size_t>(rows[i])];
    for (size_t c = 0; c < columns && c < cells.size(); ++c) {
      pages.back().texts.push_back({rows[i], static_cast<int>(c), LeftEdge(geometry.centres[c], cells[c]), y});
    }
    y += font.lineAdvance;
    // A page always gets at least one row, so a heading never stands alone after the first page.
    if (y + font.lineHeight > geometry.bottom && i + 1 < rows.size()) {
      startPage();
      y = geometry.firstRowY;
    }
  }
  return pages;
}
