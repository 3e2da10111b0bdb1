#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "PrintLayout.h"

void PrintTo(const PrintedText& text, std::ostream* out) {
  *out << "{row " << text.row << ", column " << text.column << ", x " << text.x << ", y " << text.y << "}";
}

namespace {

// Letter at 600 dpi with a sixth of an inch the printer cannot reach: left 500, top 500, bottom 5900.
const PageMetrics kLetter600{600, 600, 100, 100, 6600, 6400};
// 12 points at 600 dpi: 100 high, with 10 of external leading.
const FontMetrics kFont600{100, 110};

const PrintTexts kThreeColumns{{301, 250, 420}, {{180, 612, 95}, {205, 140, 431}}};

TEST(PrintGeometry, MarginsCentresAndRule) {
  // clang-format off
  struct Case {
    const char* name;
    PageMetrics page;
    FontMetrics font;
    PrintTexts texts;
    int left, top, bottom;
    std::vector<int> centres;
    int ruleEnd, ruleY, ruleThickness, firstRowY;
  // clang-format off
  } cases[] = {
      {"3 columns, halves to even", kLetter600, kFont600, kThreeColumns,
       500, 500, 5900, {650, 1227, 1868}, 2084, 640, 12, 670},
      {"600 x 300 dpi: across follows X, down follows Y", {600, 300, 100, 50, 3300, 3200}, {50, 55}, kThreeColumns,
       500, 250, 2950, {650, 1227, 1868}, 2084, 320, 6, 335},
      {"fax 204 x 196 dpi: gaps of 40.8 add up before rounding", {204, 196, 0, 0, 2156, 2156}, {33, 36},
       {{100, 61, 90, 75}, {}},
       204, 196, 1960, {254, 375, 492, 615}, 652, 242, 4, 252},
  };
  // clang-format on
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PrintGeometry geometry = ComputePrintGeometry(c.page, c.font, c.texts);
    const PrintGeometry& g = geometry;
    EXPECT_EQ(std::tie(g.left, g.top, g.bottom, g.centres, g.ruleEnd, g.ruleY, g.ruleThickness, g.firstRowY),
              std::tie(c.left, c.top, c.bottom, c.centres, c.ruleEnd, c.ruleY, c.ruleThickness, c.firstRowY));
  }
  EXPECT_EQ(ComputePrintGeometry({175, 175, 0, 0, 1925, 1925}, {33, 36}, kThreeColumns).ruleThickness, 4)
      << "a fiftieth of 175 dpi, 3.5, to even";
}

TEST(PrintLayout, SelectedRowsCentredInColumnsSizedByEveryRow) {
  // Row 3 is not printed, yet its 901-wide first cell sets the first column's width.
  const PrintTexts texts{
      {301, 250, 420},
      {{180, 200, 300}, {205, 141, 431}, {100, 100, 100}, {901, 100, 100}, {300, 612, 95}, {10, 10, 10}}};
  const std::vector<PrintedPage> pages = LayOutPrint(kLetter600, kFont600, texts, {1, 4});
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].rule, (PrintRule{500, 640, 2684, 12}));
  // Headings, then rows 1 and 4; the first heading and row 1 are enough to show the rounding.
  const std::vector<PrintedText>& t = pages[0].texts;
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[0], (PrintedText{-1, 0, 800, 500}));  // centre 950, 799.5 to even
  EXPECT_EQ(t[3], (PrintedText{1, 0, 848, 670}));   // 847.5 to even
  EXPECT_EQ(t[4], (PrintedText{1, 1, 1756, 670}));  // the edge 1756.5 is rounded, not the half width
  EXPECT_EQ(t[5], (PrintedText{1, 2, 2252, 670}));  // 2252.5 to even
  EXPECT_EQ(t[6], (PrintedText{4, 0, 800, 780}));
}

std::vector<int> Rows(int from, int to, int step = 1) {
  std::vector<int> rows;
  for (int row = from; row < to; row += step) rows.push_back(row);
  return rows;
}

// A page as "first..last row, the last at y", or "headings" alone; its three headings must stand
// at the top and its rule be the first page's.
std::string Describe(const PrintedPage& page, const PrintedPage& first) {
  int headings = 0, firstRow = -1, lastRow = -1, lastY = -1;
  for (const PrintedText& text : page.texts) {
    if (text.row < 0) {
      headings += text.y == 500 ? 1 : 0;
    } else if (text.column == 0) {
      firstRow = firstRow < 0 ? text.row : firstRow;
      lastRow = text.row, lastY = text.y;
    }
  }
  if (headings != 3 || !(page.rule == first.rule)) return "headings or rule misplaced";
  if (firstRow < 0) return "headings";
  return std::to_string(firstRow) + ".." + std::to_string(lastRow) + " at " + std::to_string(lastY);
}

TEST(PrintPages, NewPageOnlyWhenTheNextRowWouldPassTheBottom) {
  // Rows fall at 670 + 110 k and are 100 high: 47 fit above 5900 on Letter; on Legal
  // (bottom 7700) the 64th ends exactly on the bottom.
  const PageMetrics legal600{600, 600, 100, 100, 8400, 8200};
  struct Case {
    const char* name;
    PageMetrics page;
    std::vector<int> rows;
    std::vector<std::string> pages;
    // clang-format off
  } cases[] = {
      {"one row more", kLetter600, Rows(0, 48), {"0..46 at 5730", "47..47 at 670"}},
      {"exactly filled and one more", legal600, Rows(0, 65), {"0..63 at 7600", "64..64 at 670"}},
      {"every other row selected", kLetter600, Rows(0, 100, 2), {"0..92 at 5730", "94..98 at 890"}},
      {"VERTRES 5000", {600, 600, 100, 100, 6600, 5000}, Rows(0, 40), {"0..38 at 4850", "39..39 at 670"}},
      {"not even one row fits", {600, 600, 100, 100, 6600, 700}, Rows(0, 3), {"0..0 at 670", "1..1 at 670", "2..2 at 670"}},
      {"no rows: the headings alone", kLetter600, {}, {"headings"}},
  };
  // clang-format on
  const PrintTexts texts{{100, 100, 100}, std::vector<std::vector<int>>(100, {100, 100, 100})};
  for (const Case& c : cases) {
    const std::vector<PrintedPage> pages = LayOutPrint(c.page, kFont600, texts, c.rows);
    std::vector<std::string> described;
    for (const PrintedPage& page : pages) described.push_back(Describe(page, pages[0]));
    EXPECT_EQ(described, c.pages) << c.name;
  }
}

}  // namespace
