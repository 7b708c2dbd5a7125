// Time: a millisecond counter, sleeping, and the local date and time.
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

// The local date and time of day, read at one moment (so that a date and a time never straddle
// midnight).
struct local_time {
  calendar_date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class clock {
 public:
  virtual ~clock() = default;

  // Milliseconds of the program's run, near 0 at start and never decreasing.
  virtual std::int64_t MillisecondClock() = 0;
  // Suspends the calling thread for about `milliseconds`; processes no window messages.
  virtual void sleep_for(std::int64_t milliseconds) = 0;
  virtual local_time local_now() = 0;
  calendar_date local_date() { return local_now().date; }

  // Today's local date in a picture (format_local_time's).
  std::string TodayText(std::string_view picture);
  // The local date and time of one reading in a picture.
  std::string NowText(std::string_view picture);
};

// A picture where yyyy, yy, mm and dd stand for the year, its last two digits, the month and the day,
// and hh, nn and ss for the hour (00 to 23), the minute and the second (two digits each); every other
// character is copied. A date alone has the time 00:00:00.
std::string format_local_time(const local_time& time, std::string_view picture);
std::string format_date(const calendar_date& date, std::string_view picture);

}  // namespace setup
