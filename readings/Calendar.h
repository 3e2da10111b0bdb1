#pragma once

#include <functional>
#include <string>

#include "Clock.h"

// What the readings need from the calendar: the local date and time now, the user's
// short-date form of a date and, where a front end lets the user choose it, the form of the
// time of day (empty: the program's hh:mm tt). Tests give a fixed "now" and pictures.
struct Calendar {
  std::function<CivilTime()> now;
  std::function<std::string(const CivilTime&)> shortDate;
  std::function<std::string(const CivilTime&)> timeOfDay = nullptr;
  // The offset from UTC, in minutes east, of a local date and time (empty: none is known, 0).
  std::function<int(const CivilTime&)> utcOffsetMinutes = nullptr;
};

// Windows-style pictures: a date of d dd (day), M MM (month), yy yyyy (year); a time of h hh
// (12-hour clock), H HH (24-hour), mm (minutes), tt (AM or PM); one or two letters give the
// number without or with a leading zero. Fields are joined by the separators below.
extern const char* const kDatePictureFields;  // "d dd M MM yy yyyy", for messages
extern const char* const kTimePictureFields;
extern const char* const kPictureSeparators;   // "space . / - :"
extern const char* const kProgramTimePicture;  // hh:mm tt, as every file of the program has it

// Whether a picture holds at least one field and nothing but fields and separators.
bool IsDatePicture(const std::string& picture);
bool IsTimePicture(const std::string& picture);

// The date or time of day in a picture ("M/d/yyyy" gives 3/7/2024, "HH:mm" 14:05).
std::string FormatDatePicture(const std::string& picture, const CivilTime& date);
std::string FormatTimePicture(const std::string& picture, const CivilTime& time);

// The local clock with dates and times in the given pictures.
Calendar PictureCalendar(const std::string& datePicture, const std::string& timePicture = kProgramTimePicture);
