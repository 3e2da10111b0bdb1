#include "Calendar.h"

#include <cstdio>
#include <cstring>

const char* const kDatePictureFields = "d dd M MM yy yyyy";
const char* const kTimePictureFields = "h hh H HH mm tt";
const char* const kPictureSeparators = "space . / - :";
const char* const kProgramTimePicture = "hh:mm tt";

namespace {

std::string Digits(int value, size_t atLeast) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", static_cast<int>(atLeast), value);
  return text;
}

// The text of one run of a letter ("dd", "yyyy"), or false when it is no field of the kind.
bool DateField(const std::string& field, const CivilTime& t, std::string& text) {
  const size_t n = field.size();
  switch (field[0]) {
    case 'd': text = Digits(t.day, n); return n <= 2;
    case 'M': text = Digits(t.month, n); return n <= 2;
    case 'y': text = Digits(n == 2 ? t.year % 100 : t.year, n); return n == 2 || n == 4;
    default: return false;
  }
}

bool TimeField(const std::string& field, const CivilTime& t, std::string& text) {
  const size_t n = field.size();
  switch (field[0]) {
    case 'h': text = Digits(t.hour % 12 == 0 ? 12 : t.hour % 12, n); return n <= 2;
    case 'H': text = Digits(t.hour, n); return n <= 2;
    case 'm': text = Digits(t.minute, 2); return n == 2;
    case 't': text = t.hour < 12 ? "AM" : "PM"; return n == 2;
    default: return false;
  }
}

using Field = bool (*)(const std::string& field, const CivilTime& t, std::string& text);

bool IsSeparator(char c) { return c != '\0' && std::strchr(" ./-:", c) != nullptr; }

// Walks the picture run by run: a run of one letter is a field, anything else stands as it is.
// False when a run is neither a field of the kind nor separators, or when there is no field.
bool Format(const std::string& picture, const CivilTime& t, Field field, std::string& text) {
  bool valid = true, anyField = false;
  for (size_t i = 0; i < picture.size();) {
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == picture[i]) ++run;
    const std::string part = picture.substr(i, run);
    std::string fieldText;
    if (field(part, t, fieldText)) {
      text += fieldText;
      anyField = true;
    } else {
      text += part;
      valid = valid && IsSeparator(picture[i]);
    }
    i += run;
  }
  return valid && anyField;
}

}  // namespace

bool IsDatePicture(const std::string& picture) {
  std::string text;
  return Format(picture, {}, DateField, text);
}

bool IsTimePicture(const std::string& picture) {
  std::string text;
  return Format(picture, {}, TimeField, text);
}

std::string FormatDatePicture(const std::string& picture, const CivilTime& date) {
  std::string text;
  Format(picture, date, DateField, text);
  return text;
}

std::string FormatTimePicture(const std::string& picture, const CivilTime& time) {
  std::string text;
  Format(picture, time, TimeField, text);
  return text;
}

Calendar PictureCalendar(const std::string& datePicture, const std::string& timePicture) {
  return Calendar{LocalNow, [datePicture](const CivilTime& date) { return FormatDatePicture(datePicture, date); },
                  [timePicture](const CivilTime& time) { return FormatTimePicture(timePicture, time); }};
}
