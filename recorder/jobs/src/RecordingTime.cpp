#include "recorder/jobs/RecordingTime.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace recorder::jobs {

namespace {

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::time_t> recordingTime(const tFLASHFILEINFO &record) {
  const int year = 2000 + record.date[0];
  const int month = record.date[1], day = record.date[2];
  const int hour = record.time[0], minute = record.time[1], second = record.time[2];
  if (record.date[0] > 99 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;  // whatever the zone's rule is on that day
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return t;
}

bool setModificationTime(const std::filesystem::path &file, std::time_t when) {
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  return ::utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

}  // namespace recorder::jobs
