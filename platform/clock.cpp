#include "platform/clock.h"

#include <array>
#include <cstdio>

namespace setup {
namespace {

void append_number(std::string& out, int value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  out += buffer;
}

}  // namespace

std::string format_local_time(const local_time& time, std::string_view picture) {
  struct field {
    std::string_view code;
    int value;
    int digits;
  };
  // Longer codes first: "yyyy" before "yy".
  const std::array<field, 7> fields = {{{"yyyy", time.date.year, 4},
                                        {"yy", time.date.year % 100, 2},
                                        {"mm", time.date.month, 2},
                                        {"dd", time.date.day, 2},
                                        {"hh", time.hour, 2},
                                        {"nn", time.minute, 2},
                                        {"ss", time.second, 2}}};
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const std::string_view rest = picture.substr(i);
    const field* matched = nullptr;
    for (const field& f : fields) {
      if (rest.starts_with(f.code)) {
        matched = &f;
        break;
      }
    }
    if (matched != nullptr) {
      append_number(out, matched->value, matched->digits);
      i += matched->code.size();
    } else {
      out.push_back(picture[i]);
      ++i;
    }
  }
  return out;
}

std::string format_date(const calendar_date& date, std::string_view picture) {
  return format_local_time(local_time{date}, picture);
}

std::string clock::TodayText(std::string_view picture) {
  return format_date(local_date(), picture);
}

std::string clock::NowText(std::string_view picture) {
  return format_local_time(local_now(), picture);
}

}  // namespace setup
