// Time: a millisecond counter, sleeping, and today's date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {

struct calendar_date {
  int year = 0;
  int month = 0;
  int day = 0;
};

class clock {
 public:
  virtual ~clock() = default;

  // Milliseconds of the program's run, near 0 at start and never decreasing.
  virtual std::int64_t MillisecondClock() = 0;
  // Suspends the calling thread for about `milliseconds`; processes no window messages.
  virtual void sleep_for(std::int64_t milliseconds) = 0;
  virtual calendar_date local_date() = 0;

  // Today's local date in a picture where yyyy, yy, mm and dd stand for the year, its last two digits,
  // the month and the day (two digits each); every other character is copied.
  std::string TodayText(std::string_view picture);
};

std::string format_date(const calendar_date& date, std::string_view picture);

}  // namespace setup
