#include "Calendar.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

const char* const kDatePictureFields = "d dd M MM yy yyyy";
const char* const kTimePictureFields = "h hh H HH mm tt";
const char* const kPictureSeparators = "space . / - :";
const char* const kProgramTimePicture = "hh:mm tt";

namespace {

// A field's value (never negative) in at least `atLeast` digits.
void AppendDigits(int value, size_t atLeast, std::string& text) {
  char digits[12];
  size_t count = 0;
  for (auto rest = static_cast<unsigned>(value); count == 0 || rest != 0; rest /= 10) {
    digits[count++] = static_cast<char>('0' + rest % 10);
  }
  if (count < atLeast) text.append(atLeast - count, '0');
  while (count > 0) text += digits[--count];
}

// Appends the text of one run of a letter ("dd", "yyyy"), or is false when the run is no
// field of the kind.
bool DateField(char letter, size_t n, const CivilTime& t, std::string& text) {
  switch (letter) {
    case 'd': return n <= 2 && (AppendDigits(t.day, n, text), true);
    case 'M': return n <= 2 && (AppendDigits(t.month, n, text), true);
    case 'y': return (n == 2 || n == 4) && (AppendDigits(n == 2 ? t.year % 100 : t.year, n, text), true);
    default: return false;
  }
}

bool TimeField(char letter, size_t n, const CivilTime& t, std::string& text) {
  switch (letter) {
    case 'h': return n <= 2 && (AppendDigits(t.hour % 12 == 0 ? 12 : t.hour % 12, n, text), true);
    case 'H': return n <= 2 && (AppendDigits(t.hour, n, text), true);
    case 'm': return n == 2 && (AppendDigits(t.minute, 2, text), true);
    case 't': return n == 2 && (text += t.hour < 12 ? "AM" : "PM", true);
    default: return false;
  }
}

using Field = bool (*)(char letter, size_t n, const CivilTime& t, std::string& text);

bool IsSeparator(char c) { return c != '\0' && std::strchr(" ./-:", c) != nullptr; }

// Walks the picture run by run: a run of one letter is a field, anything else stands as it is.
// False when a run is neither a field of the kind nor separators, or when there is no field.
bool Format(const std::string& picture, const CivilTime& t, Field field, std::string& text) {
  bool valid = true, anyField = false;
  for (size_t i = 0; i < picture.size();) {
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == picture[i]) ++run;
    if (field(picture[i], run, t, text)) {
      anyField = true;
    } else {
      text.append(picture, i, run);
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
  // The zone's rules are asked once an hour of the calendar: zones change their offset on the
  // hour, and the system may read its zone file again at every question.
  auto offsets = std::make_shared<std::unordered_map<int64_t, int>>();
  const auto offsetAt = [offsets](const CivilTime& t) {
    const int64_t hour = ((int64_t{t.year} * 16 + t.month) * 32 + t.day) * 24 + t.hour;
    const auto [known, added] = offsets->try_emplace(hour, 0);
    if (added) known->second = UtcOffsetMinutesAt({t.year, t.month, t.day, t.hour, 0});
    return known->second;
  };
  return Calendar{LocalNow, [datePicture](const CivilTime& date) { return FormatDatePicture(datePicture, date); },
                  [timePicture](const CivilTime& time) { return FormatTimePicture(timePicture, time); }, offsetAt};
}
