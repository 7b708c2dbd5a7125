// Random access to the bytes of a file, so readers can look at headers and small ranges of a large
// file without loading it whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace setup {

class byte_source {
 public:
  virtual ~byte_source() = default;
  virtual std::uint64_t size() const = 0;
  // Reads exactly `count` bytes at `offset`. False, with `buffer` in an unspecified state, when the
  // range reaches beyond the end or the read fails.
  virtual bool read_at(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// Bytes held in memory.
class memory_byte_source final : public byte_source {
 public:
  explicit memory_byte_source(std::string bytes)
      : bytes_(std::make_shared<const std::string>(std::move(bytes))) {}
  // Shares bytes that nobody changes while the source lives.
  explicit memory_byte_source(std::shared_ptr<const std::string> bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_->size(); }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override;

 private:
  std::shared_ptr<const std::string> bytes_;
};

// Bytes written to the end of a file as they come, each write reaching the file before it returns.
class byte_sink {
 public:
  virtual ~byte_sink() = default;
  // False when the bytes could not all be written (a full disk, a lost share).
  virtual bool write(std::string_view bytes) = 0;
};

// Reads a whole source of at most `limit` bytes; false when it is larger or unreadable.
bool read_all(byte_source& source, std::string& bytes, std::uint64_t limit);

}  // namespace setup
