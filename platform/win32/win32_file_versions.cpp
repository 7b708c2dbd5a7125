#include "platform/win32/win32_file_versions.h"

#include <cstdint>
#include <vector>

#include "platform/version_block.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_api.h"

namespace setup {
namespace {

// The system reports a little more than twice the resource (room for text it converts), and the
// resource is at most 64 KiB; a larger figure comes from a damaged file.
constexpr DWORD max_version_info_size = 1u << 20;

// The version information GetFileVersionInfoW copied, queried with VerQueryValueW.
class win32_version_block final : public version_block {
 public:
  explicit win32_version_block(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  std::optional<version_value> query(std::string_view sub_block) override {
    void* found = nullptr;
    UINT length = 0;
    static const auto query = SETUP_SYSTEM_FUNCTION(L"version.dll", VerQueryValueW);
    if (query == nullptr || !query(data_.data(), win32::wide(sub_block).c_str(), &found, &length))
      return std::nullopt;
    // The value lies inside the copy; what follows it up to the copy's end is all that may be read.
    const auto begin = reinterpret_cast<std::uintptr_t>(data_.data());
    const auto at = reinterpret_cast<std::uintptr_t>(found);
    if (found == nullptr || at < begin || at > begin + data_.size()) return std::nullopt;
    const std::size_t offset = at - begin;
    return version_value{std::span<const std::uint8_t>(data_.data() + offset, data_.size() - offset), length};
  }

 private:
  std::vector<std::uint8_t> data_;
};

}  // namespace

std::string win32_file_versions::FileVersion(std::string_view path) {
  if (path.empty()) return {};
  const std::wstring file = win32::wide(path);
  const std::string what = "version of \"" + std::string(path) + "\"";
  // version.dll is loaded when discovery first reads a version, not at every start.
  const auto size_of = SETUP_SYSTEM_FUNCTION(L"version.dll", GetFileVersionInfoSizeW);
  const auto read_info = SETUP_SYSTEM_FUNCTION(L"version.dll", GetFileVersionInfoW);
  if (size_of == nullptr || read_info == nullptr) {
    log_.line(failure_line(what + ": version.dll functions", ERROR_PROC_NOT_FOUND));
    return {};
  }
  DWORD ignored = 0;
  const DWORD size = size_of(file.c_str(), &ignored);
  if (size == 0) {
    log_.line(failure_line(what, GetLastError()));
    return {};
  }
  if (size > max_version_info_size) {
    log_.line(what + ": " + std::to_string(size) +
              " bytes of version information, more than any real file has");
    return {};
  }
  std::vector<std::uint8_t> data(size, 0);
  if (!read_info(file.c_str(), 0, size, data.data())) {
    log_.line(failure_line(what, GetLastError()));
    return {};
  }
  win32_version_block block(std::move(data));
  return file_version_text(block);
}

}  // namespace setup
