#include <gtest/gtest.h>

#include "Workbook.h"
#include "Zip.h"

namespace {

TEST(Workbook, DateTimeFormatShowsTheGridsPictures) {
  struct Case {
    const char* date;
    const char* time;
    const char* format;
  } cases[] = {
      {"M/d/yyyy", "hh:mm tt", "m/d/yyyy hh:mm AM/PM"},
      {"dd.MM.yy", "HH:mm", "dd.mm.yy hh:mm"},
      {"yyyy-MM-dd", "h:mm tt", "yyyy-mm-dd h:mm AM/PM"},
      {"d 'de' MMMM", "H:mm", "d \"de\" mmmm h:mm"},
  };
  for (const Case& c : cases) EXPECT_EQ(WorkbookDateTimeFormat(c.date, c.time), c.format) << c.date;
}

// The check value every CRC-32 of the zip kind gives for these nine digits.
TEST(Zip, CrcIsTheZipFormats) { EXPECT_EQ(Crc32("123456789"), 0xCBF43926u); }

}  // namespace
