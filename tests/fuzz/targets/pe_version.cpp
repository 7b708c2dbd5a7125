// The PE version reader on any file: it reads only a bounded amount whatever the file claims, the
// resource it finds is bytes of the file within the format's limit, and the version text is UTF-8 that
// the resource could hold.
#include <cstring>

#include "platform/pe_version_reader.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The bytes of the input, counting what the reader asks for.
class counting_source final : public setup::byte_source {
 public:
  counting_source(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    bytes_asked += count;
    if (offset > size_ || count > size_ - offset) return false;
    if (count != 0) std::memcpy(buffer, data_ + offset, count);
    return true;
  }
  std::uint64_t bytes_asked = 0;

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// The most one lookup may read: the DOS, PE and optional headers, a section table of 96 sections,
// three directory levels of at most 65535 entries each, one data entry and a resource of 64 KiB.
constexpr std::uint64_t max_bytes_read =
    64 + 24 + 136 + 96 * 40 + 3 * (16 + 65535 * 8) + 16 + setup::max_version_resource_size;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  counting_source file(data, size);
  const std::optional<std::string> resource = setup::read_version_resource(file);
  FUZZ_CHECK(file.bytes_asked <= max_bytes_read);
  if (resource) {
    FUZZ_CHECK(!resource->empty());
    FUZZ_CHECK(resource->size() <= setup::max_version_resource_size);
    FUZZ_CHECK(fuzz::as_text(data, size).find(*resource) != std::string_view::npos);
  }

  counting_source again(data, size);
  const std::string version = setup::pe_file_version(again);
  FUZZ_CHECK(setup::is_valid_utf8(version));
  FUZZ_CHECK(version.find('\0') == std::string::npos);
  if (!resource) {
    FUZZ_CHECK(version.empty());
  } else {
    FUZZ_CHECK(setup::utf16_length(version) * 2 <= resource->size());
  }
  return 0;
}
