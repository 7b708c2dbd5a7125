#include "sim/tds/tds_buffer.h"

#include "platform/text.h"

namespace sqlsim::tds {

bool byte_reader::need(std::size_t count) {
  if (!ok_ || count > size_ - position_) {
    ok_ = false;
    return false;
  }
  return true;
}

std::uint8_t byte_reader::u8() {
  if (!need(1)) return 0;
  return data_[position_++];
}

std::uint16_t byte_reader::u16_le() {
  if (!need(2)) return 0;
  const std::uint16_t value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return value;
}

std::uint16_t byte_reader::u16_be() {
  if (!need(2)) return 0;
  const std::uint16_t value = static_cast<std::uint16_t>((data_[position_] << 8) | data_[position_ + 1]);
  position_ += 2;
  return value;
}

std::uint32_t byte_reader::u32_le() {
  if (!need(4)) return 0;
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | data_[position_ + static_cast<std::size_t>(i)];
  position_ += 4;
  return value;
}

std::uint64_t byte_reader::u64_le() {
  if (!need(8)) return 0;
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | data_[position_ + static_cast<std::size_t>(i)];
  position_ += 8;
  return value;
}

void byte_reader::skip(std::size_t count) {
  if (need(count)) position_ += count;
}

bytes byte_reader::take(std::size_t count) {
  if (!need(count)) return {};
  bytes out(data_ + position_, data_ + position_ + count);
  position_ += count;
  return out;
}

std::string byte_reader::utf16(std::size_t units) {
  if (units > (size_ - position_) / 2 || !need(units * 2)) {
    ok_ = false;
    return {};
  }
  std::u16string text(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    text[i] = static_cast<char16_t>(data_[position_ + 2 * i] | (data_[position_ + 2 * i + 1] << 8));
  }
  position_ += units * 2;
  return setup::utf16_to_utf8(text);
}

byte_reader byte_reader::sub(std::size_t count) {
  if (!need(count)) {
    byte_reader empty(data_, 0);
    empty.fail();
    return empty;
  }
  byte_reader part(data_ + position_, count);
  position_ += count;
  return part;
}

void byte_writer::u16_le(std::uint16_t value) {
  data_.push_back(static_cast<std::uint8_t>(value));
  data_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void byte_writer::u16_be(std::uint16_t value) {
  data_.push_back(static_cast<std::uint8_t>(value >> 8));
  data_.push_back(static_cast<std::uint8_t>(value));
}

void byte_writer::u32_le(std::uint32_t value) {
  for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void byte_writer::u32_be(std::uint32_t value) {
  for (int i = 3; i >= 0; --i) data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void byte_writer::u64_le(std::uint64_t value) {
  for (int i = 0; i < 8; ++i) data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void byte_writer::utf16(std::u16string_view text) {
  for (char16_t unit : text) u16_le(static_cast<std::uint16_t>(unit));
}

void byte_writer::patch_u16_le(std::size_t offset, std::uint16_t value) {
  data_[offset] = static_cast<std::uint8_t>(value);
  data_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::u16string utf16_at_most(std::string_view utf8, std::size_t max_units) {
  std::u16string text = setup::utf8_to_utf16(utf8);
  if (text.size() <= max_units) return text;
  std::size_t cut = max_units;
  if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
  text.resize(cut);
  return text;
}

}  // namespace sqlsim::tds
