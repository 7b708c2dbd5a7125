#include "platform/win32/win32_api.h"

#include "platform/text.h"

namespace setup::win32 {

std::wstring wide(std::string_view text) {
  const std::u16string units = utf8_to_utf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string narrow(std::wstring_view text) {
  return utf16_to_utf8(std::u16string(text.begin(), text.end()));
}

}  // namespace setup::win32
