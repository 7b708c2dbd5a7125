#include "platform/clock.h"

#include <cstdio>

namespace setup {
namespace {

void append_number(std::string& out, int value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  out += buffer;
}

}  // namespace

std::string format_date(const calendar_date& date, std::string_view picture) {
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const std::string_view rest = picture.substr(i);
    if (rest.starts_with("yyyy")) {
      append_number(out, date.year, 4);
      i += 4;
    } else if (rest.starts_with("yy")) {
      append_number(out, date.year % 100, 2);
      i += 2;
    } else if (rest.starts_with("mm")) {
      append_number(out, date.month, 2);
      i += 2;
    } else if (rest.starts_with("dd")) {
      append_number(out, date.day, 2);
      i += 2;
    } else {
      out.push_back(picture[i]);
      ++i;
    }
  }
  return out;
}

std::string clock::TodayText(std::string_view picture) {
  return format_date(local_date(), picture);
}

}  // namespace setup
