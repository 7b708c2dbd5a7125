#include "platform/pe_version_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "platform/version_block.h"

namespace setup {
namespace {

constexpr std::size_t dos_header_size = 64;
constexpr std::size_t new_header_pointer = 0x3C;
constexpr std::size_t file_header_size = 24;  // "PE\0\0" and the COFF file header
constexpr std::size_t section_header_size = 40;
constexpr std::size_t directory_header_size = 16;
constexpr std::size_t directory_entry_size = 8;
constexpr std::size_t data_entry_size = 16;
// Windows loads no image with more sections than this.
constexpr std::uint16_t max_sections = 96;
// Directory entries are read this many at a time, so that a huge count costs no memory.
constexpr std::size_t entries_per_read = 64;

constexpr std::uint16_t dos_signature = 0x5A4D;     // "MZ"
constexpr std::uint32_t pe_signature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t pe32_magic = 0x10B;
constexpr std::uint16_t pe32_plus_magic = 0x20B;
// Where the data directories start in each optional header; the resource table is the third.
constexpr std::size_t pe32_directories = 96;
constexpr std::size_t pe32_plus_directories = 112;
constexpr std::uint32_t resource_table_index = 2;

constexpr std::uint32_t rt_version = 16;
constexpr std::uint32_t vs_version_info = 1;
constexpr std::uint32_t high_bit = 0x80000000;  // entry names a string / entry leads to a subdirectory

std::uint16_t u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct section {
  std::uint32_t virtual_address = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
};

// A range of the file that an RVA reaches: its offset and how many bytes the section holds from there.
struct file_range {
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
};

class pe_reader {
 public:
  explicit pe_reader(byte_source& file) : file_(file) {}

  std::optional<std::string> version_resource() {
    if (!read_headers()) return std::nullopt;
    const std::optional<std::uint32_t> types =
        directory_entry(0, [](std::uint32_t id) { return id == rt_version; });
    if (!types || !(*types & high_bit)) return std::nullopt;
    const std::optional<std::uint32_t> names =
        directory_entry(*types & ~high_bit, [](std::uint32_t id) { return id == vs_version_info; });
    if (!names || !(*names & high_bit)) return std::nullopt;
    const std::optional<std::uint32_t> language = language_entry(*names & ~high_bit);
    if (!language || (*language & high_bit)) return std::nullopt;
    return resource_data(*language);
  }

 private:
  bool read(std::uint64_t offset, void* buffer, std::size_t count) {
    return file_.read_at(offset, buffer, count);
  }

  bool read_headers() {
    std::array<std::uint8_t, dos_header_size> dos{};
    if (!read(0, dos.data(), dos.size()) || u16(dos.data()) != dos_signature) return false;
    const std::uint64_t pe_offset = u32(dos.data() + new_header_pointer);

    std::array<std::uint8_t, file_header_size> pe{};
    if (!read(pe_offset, pe.data(), pe.size()) || u32(pe.data()) != pe_signature) return false;
    const std::uint16_t section_count = u16(pe.data() + 6);
    const std::uint16_t optional_size = u16(pe.data() + 20);
    if (section_count == 0 || section_count > max_sections) return false;

    const std::uint64_t optional_offset = pe_offset + file_header_size;
    std::array<std::uint8_t, pe32_plus_directories + (resource_table_index + 1) * 8> optional{};
    const std::size_t present = std::min<std::size_t>(optional_size, optional.size());
    if (present < 2 || !read(optional_offset, optional.data(), present)) return false;
    const std::uint16_t magic = u16(optional.data());
    std::size_t directories = 0;
    if (magic == pe32_magic) {
      directories = pe32_directories;
    } else if (magic == pe32_plus_magic) {
      directories = pe32_plus_directories;
    } else {
      return false;
    }
    if (present < directories + (resource_table_index + 1) * 8) return false;
    const std::uint32_t directory_count = u32(optional.data() + directories - 4);
    if (directory_count <= resource_table_index) return false;
    const std::uint32_t resource_rva = u32(optional.data() + directories + resource_table_index * 8);
    if (resource_rva == 0) return false;

    std::vector<std::uint8_t> table(std::size_t{section_count} * section_header_size);
    if (!read(optional_offset + optional_size, table.data(), table.size())) return false;
    sections_.reserve(section_count);
    for (std::size_t i = 0; i < section_count; ++i) {
      const std::uint8_t* header = table.data() + i * section_header_size;
      sections_.push_back({u32(header + 12), u32(header + 16), u32(header + 20)});
    }

    const std::optional<file_range> resources = locate(resource_rva);
    if (!resources) return false;
    resources_ = *resources;
    return true;
  }

  // Where the section that holds `rva` keeps it in the file; only the section's raw data counts.
  std::optional<file_range> locate(std::uint32_t rva) const {
    for (const section& s : sections_) {
      if (rva < s.virtual_address) continue;
      const std::uint32_t into = rva - s.virtual_address;
      if (into >= s.raw_size) continue;
      return file_range{std::uint64_t{s.raw_offset} + into, s.raw_size - into};
    }
    return std::nullopt;
  }

  // Reads `count` bytes at `offset` from the start of the resource directory, which must hold them.
  bool read_resources(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset > resources_.size || count > resources_.size - offset) return false;
    return read(resources_.offset + offset, buffer, count);
  }

  // The target field of the first ID entry of the directory at `offset` whose ID `wanted` accepts.
  template <typename Wanted>
  std::optional<std::uint32_t> directory_entry(std::uint32_t offset, Wanted wanted) {
    std::array<std::uint8_t, directory_header_size> header{};
    if (!read_resources(offset, header.data(), header.size())) return std::nullopt;
    const std::size_t named = u16(header.data() + 12);
    const std::size_t ids = u16(header.data() + 14);
    // Named entries come first; the IDs follow them.
    const std::uint64_t first = std::uint64_t{offset} + directory_header_size + named * directory_entry_size;
    if (first + ids * directory_entry_size > resources_.size) return std::nullopt;

    std::array<std::uint8_t, entries_per_read * directory_entry_size> chunk{};
    for (std::size_t done = 0; done < ids;) {
      const std::size_t count = std::min(entries_per_read, ids - done);
      if (!read_resources(first + done * directory_entry_size, chunk.data(), count * directory_entry_size)) {
        return std::nullopt;
      }
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = chunk.data() + i * directory_entry_size;
        if (wanted(u32(entry))) return u32(entry + 4);
      }
      done += count;
    }
    return std::nullopt;
  }

  // The first language. Entries are sorted by ID, so a language-neutral one comes first; with one
  // language, as program files have, this is the one the system picks too.
  std::optional<std::uint32_t> language_entry(std::uint32_t offset) {
    return directory_entry(offset, [](std::uint32_t id) { return !(id & high_bit); });
  }

  std::optional<std::string> resource_data(std::uint32_t entry_offset) {
    std::array<std::uint8_t, data_entry_size> entry{};
    if (!read_resources(entry_offset, entry.data(), entry.size())) return std::nullopt;
    const std::uint32_t rva = u32(entry.data());
    const std::uint32_t size = std::min(u32(entry.data() + 4), max_version_resource_size);
    if (size == 0) return std::nullopt;
    const std::optional<file_range> data = locate(rva);
    if (!data || data->size < size) return std::nullopt;
    std::string bytes(size, '\0');
    if (!read(data->offset, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
  }

  byte_source& file_;
  std::vector<section> sections_;
  file_range resources_;
};

}  // namespace

std::optional<std::string> read_version_resource(byte_source& file) {
  return pe_reader(file).version_resource();
}

std::string pe_file_version(byte_source& file) {
  std::optional<std::string> resource = read_version_resource(file);
  if (!resource) return {};
  resource_version_block block(std::move(*resource));
  return file_version_text(block);
}

}  // namespace setup
