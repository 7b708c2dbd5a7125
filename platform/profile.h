// INI files: the product profile (setup.ini, setup.des) is read through this.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace setup {

class profile {
 public:
  virtual ~profile() = default;
  // The value of `key` in `section` of the INI file `file` (resolved against the current directory),
  // or `default_value` when the file, the section or the key is absent.
  virtual std::string ReadProfileString(std::string_view file, std::string_view section, std::string_view key,
                                        std::string_view default_value) = 0;
};

// Our own INI reader, the same on every target, over the files interface. It follows the lookup rules
// of Windows' profile functions and reads UTF-16LE (with BOM), UTF-8 (with or without BOM) and, for
// anything else, GBK (code page 936), which is what a Chinese Windows saves.
class ini_profile final : public profile {
 public:
  explicit ini_profile(files& fs) : fs_(fs) {}
  std::string ReadProfileString(std::string_view file, std::string_view section, std::string_view key,
                                std::string_view default_value) override;

 private:
  files& fs_;
};

}  // namespace setup
