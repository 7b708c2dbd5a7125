#include "platform/trace.h"

#include <algorithm>
#include <cstdio>

namespace setup {
namespace {

// One event, one line: CR LF, CR or LF inside a text become " | ".
std::string on_one_line(std::string text) {
  std::string joined;
  joined.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      joined += " | ";
    } else {
      joined.push_back(text[i]);
    }
  }
  return joined;
}

constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";
constexpr std::string_view this_log = "(this log)";

}  // namespace

std::string mask_secrets(std::string_view text, const std::vector<std::string>& secrets) {
  std::string masked;
  masked.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t longest = 0;
    for (const std::string& secret : secrets) {
      if (secret.size() > longest && text.compare(i, secret.size(), secret) == 0) longest = secret.size();
    }
    if (longest > 0) {
      masked += "***";
      i += longest;
    } else {
      masked.push_back(text[i++]);
    }
  }
  return masked;
}

std::string failure_line(std::string_view what, unsigned long system_code) {
  return std::string(what) + ": error " + std::to_string(system_code);
}

std::string log_time_stamp(const local_time& time) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", time.date.year, time.date.month,
                time.date.day, time.hour, time.minute, time.second, time.millisecond);
  return stamp;
}

void trace::line(std::string_view text) {
  const std::lock_guard<std::mutex> hold(mutex_);
  // Masked before the line breaks go: a secret is looked for as it was given.
  const std::string masked = on_one_line(secrets_.empty() ? std::string(text) : mask_secrets(text, secrets_));
  write(masked);
  if (!log_file_) return;
  // The log does not spell its own name: the reader has it, and a name stamped with today's date
  // would put the special operation password's digits into every line that names it.
  std::string in_file = masked;
  for (std::size_t at = in_file.find(log_path_); at != std::string::npos;
       at = in_file.find(log_path_, at + 1)) {
    in_file.replace(at, log_path_.size(), this_log);
  }
  if (!log_file_->write(log_time_stamp(log_clock_->local_now()) + "  " + in_file + "\r\n")) {
    log_file_.reset();
    log_path_.clear();
    write("log file: a write failed; the log ends here");
  }
}

void trace::add_secret(std::string_view secret) {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (secret.empty() || std::find(secrets_.begin(), secrets_.end(), secret) != secrets_.end()) return;
  secrets_.emplace_back(secret);
}

void trace::keep_in(std::string path, std::unique_ptr<byte_sink> file, clock& time) {
  const std::lock_guard<std::mutex> hold(mutex_);
  log_file_.reset();
  log_path_.clear();
  if (!file || !file->write(utf8_byte_order_mark)) return;
  log_file_ = std::move(file);
  log_path_ = std::move(path);
  log_clock_ = &time;
}

std::string trace::log_path() const {
  const std::lock_guard<std::mutex> hold(mutex_);
  return log_path_;
}

}  // namespace setup
