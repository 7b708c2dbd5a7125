#include "platform/trace.h"

#include <algorithm>

namespace setup {

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

void trace::line(std::string_view text) {
  write(secrets_.empty() ? std::string(text) : mask_secrets(text, secrets_));
}

void trace::add_secret(std::string_view secret) {
  if (secret.empty() || std::find(secrets_.begin(), secrets_.end(), secret) != secrets_.end()) return;
  secrets_.emplace_back(secret);
}

}  // namespace setup
