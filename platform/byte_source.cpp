#include "platform/byte_source.h"

#include <cstring>

namespace setup {

bool memory_byte_source::read_at(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > bytes_->size() || count > bytes_->size() - offset) return false;
  if (count != 0) std::memcpy(buffer, bytes_->data() + offset, count);
  return true;
}

bool read_all(byte_source& source, std::string& bytes, std::uint64_t limit) {
  const std::uint64_t size = source.size();
  if (size > limit) return false;
  std::string data(static_cast<std::size_t>(size), '\0');
  if (!source.read_at(0, data.data(), data.size())) return false;
  bytes = std::move(data);
  return true;
}

}  // namespace setup
