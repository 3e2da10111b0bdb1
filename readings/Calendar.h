#pragma once

#include <functional>
#include <string>

// A local wall-clock date and time; no time zone is ever applied to readings.
struct CivilTime {
  int year = 1601;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
};

// What the readings need from the calendar: the local date and time now, and the user's
// short-date form of a date. Tests give a fixed "now" and picture, so every text is exact.
struct Calendar {
  std::function<CivilTime()> now;
  std::function<std::string(const CivilTime&)> shortDate;
};

// This machine's local date and time.
CivilTime LocalNow();

// A date in a Windows-style short-date picture: d dd M MM yy yyyy (and y), other
// characters as they stand, text in single quotes literally ("M/d/yyyy" gives 3/7/2024).
std::string FormatDatePicture(const std::string& picture, const CivilTime& date);

// The local clock with dates in the given picture.
Calendar PictureCalendar(const std::string& picture);
