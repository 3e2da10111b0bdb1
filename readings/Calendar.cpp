#include "Calendar.h"

#include <cstdio>

namespace {

std::string Digits(int value, int atLeast) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", atLeast, value);
  return text;
}

}  // namespace

std::string FormatDatePicture(const std::string& picture, const CivilTime& date) {
  std::string text;
  for (size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      const size_t close = picture.find('\'', i + 1);
      const size_t end = close == std::string::npos ? picture.size() : close;
      text += picture.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == 'd' && run <= 2) {
      text += Digits(date.day, static_cast<int>(run));
    } else if (c == 'M' && run <= 2) {
      text += Digits(date.month, static_cast<int>(run));
    } else if (c == 'y') {
      // y and yy give the year within the century, yyy and more the whole year.
      text += run <= 2 ? Digits(date.year % 100, static_cast<int>(run)) : Digits(date.year, 1);
    } else {
      text.append(run, c);
    }
    i += run;
  }
  return text;
}

Calendar PictureCalendar(const std::string& picture) {
  return Calendar{LocalNow, [picture](const CivilTime& date) { return FormatDatePicture(picture, date); }};
}
