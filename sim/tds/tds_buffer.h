// Bytes in and out of TDS messages: a reader that checks every length against what is there, and a
// writer of the little-endian fields and UTF-16LE texts the tokens are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sqlsim::tds {

using bytes = std::vector<std::uint8_t>;

// Reads from a byte range it does not own. A read past the end fails, returns zero or empty, and leaves
// the reader failed for good, so a parser can read a whole structure and check ok() once.
class byte_reader {
 public:
  byte_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  explicit byte_reader(const bytes& data) : byte_reader(data.data(), data.size()) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return ok_ ? size_ - position_ : 0; }
  bool at_end() const { return remaining() == 0; }
  // Marks the reader failed, for checks a parser makes of the values it read.
  void fail() { ok_ = false; }

  std::uint8_t u8();
  std::uint16_t u16_le();
  std::uint16_t u16_be();
  std::uint32_t u32_le();
  std::uint64_t u64_le();
  void skip(std::size_t count);
  // `count` bytes; empty and failed when fewer remain.
  bytes take(std::size_t count);
  // `units` UTF-16LE code units as UTF-8.
  std::string utf16(std::size_t units);
  // A reader over the next `count` bytes, which this reader skips.
  byte_reader sub(std::size_t count);

 private:
  bool need(std::size_t count);

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

class byte_writer {
 public:
  bytes& data() { return data_; }
  const bytes& data() const { return data_; }
  std::size_t size() const { return data_.size(); }

  void u8(std::uint8_t value) { data_.push_back(value); }
  void u16_le(std::uint16_t value);
  void u16_be(std::uint16_t value);
  void u32_le(std::uint32_t value);
  void u32_be(std::uint32_t value);
  void u64_le(std::uint64_t value);
  void raw(const bytes& value) { data_.insert(data_.end(), value.begin(), value.end()); }
  void raw(std::initializer_list<std::uint8_t> value) {
    data_.insert(data_.end(), value.begin(), value.end());
  }
  // UTF-16LE code units without a length.
  void utf16(std::u16string_view text);
  // Writes `value` at `offset`, over bytes written before (a length known only afterwards).
  void patch_u16_le(std::size_t offset, std::uint16_t value);

 private:
  bytes data_;
};

// UTF-8 to UTF-16 cut to at most `max_units` code units, never inside a surrogate pair.
std::u16string utf16_at_most(std::string_view utf8, std::size_t max_units);

}  // namespace sqlsim::tds
