// The FileVersion reading shared with version.dll, the version information tree and the PE walker:
// on the fixtures the resource compiler built, and on files damaged in memory in the ways a file on a
// disk can be.
#include "platform/pe_version_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include "platform/memory/memory_files.h"
#include "platform/portable_file_versions.h"
#include "platform/version_block.h"
#include "tests/fixtures/pe_image.h"

namespace setup {
namespace {

using test::build_pe;
using test::put16;
using test::put32;
using test::text_value;
using test::utf16le;

const std::string sql2005 = "2005.090.1399.06";

std::span<const std::uint8_t> as_bytes(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

// Answers from a table of values and records the paths asked for.
class scripted_block final : public version_block {
 public:
  struct stored {
    std::string bytes;
    std::uint32_t length = 0;
  };
  std::map<std::string, stored> values;
  std::vector<std::string> asked;

  std::optional<version_value> query(std::string_view sub_block) override {
    asked.emplace_back(sub_block);
    const auto it = values.find(std::string(sub_block));
    if (it == values.end()) return std::nullopt;
    return version_value{as_bytes(it->second.bytes), it->second.length};
  }
};

std::string file_version_path(std::string_view digits) {
  return "\\StringFileInfo\\" + std::string(digits) + "\\FileVersion";
}

TEST(FileVersionText, QueriesTheTableOfTheFirstTranslationByEightUpperCaseDigits) {
  struct {
    std::uint16_t language, code_page;
    const char* digits;
  } cases[] = {
      {0x0409, 1252, "040904E4"},    // Western European
      {0x0409, 1200, "040904B0"},    // Unicode
      {0x0804, 936, "080403A8"},     // bytes below 16 keep their leading zero
      {0x0409, 0x1252, "040904E4"},  // the one substitution
      {0x0804, 0x1252, "08041252"},  // which holds for English only
      {0x000A, 0x00FF, "000A00FF"}, {0xABCD, 0xEF01, "ABCDEF01"},
  };
  for (const auto& c : cases) {
    scripted_block block;
    // A second translation that must not be read.
    block.values[std::string(translation_sub_block)] = {
        test::translation_table({c.language, c.code_page, 0x0407, 1252}), 8};
    block.values[file_version_path(c.digits)] = {utf16le(u"9.00.1"), 6};
    EXPECT_EQ(file_version_text(block), "9.00.1") << c.digits;
    ASSERT_EQ(block.asked.size(), 2u);
    EXPECT_EQ(block.asked[1], file_version_path(c.digits));
  }
}

TEST(FileVersionText, NoUsableTranslationMeansNoVersionAndNoStringQuery) {
  const std::string entry = test::translation_table({0x0409, 1200});
  const std::map<std::string, std::optional<scripted_block::stored>> cases = {
      {"absent", std::nullopt},
      {"three bytes", scripted_block::stored{entry.substr(0, 3), 3}},
      {"four bytes held, two recorded", scripted_block::stored{entry, 2}},
      {"four bytes recorded, none held", scripted_block::stored{"", 4}},
  };
  for (const auto& [name, translation] : cases) {
    scripted_block block;
    if (translation) block.values[std::string(translation_sub_block)] = *translation;
    block.values[file_version_path("040904B0")] = {utf16le(u"1.0"), 3};
    EXPECT_EQ(file_version_text(block), "") << name;
    EXPECT_EQ(block.asked.size(), 1u) << name;
  }
}

TEST(FileVersionText, TakesTheTextUpToItsZeroWithinItsLengthAndItsBlock) {
  const auto read = [](std::string bytes, std::uint32_t length) {
    scripted_block block;
    block.values[std::string(translation_sub_block)] = {test::translation_table({0x0409, 1200}), 4};
    block.values[file_version_path("040904B0")] = {std::move(bytes), length};
    return file_version_text(block);
  };
  EXPECT_EQ(read(utf16le(std::u16string(u"2005.090\0junk", 13)), 13), "2005.090");
  EXPECT_EQ(read(utf16le(u"2005.090"), 4), "2005");    // the recorded length bounds it
  EXPECT_EQ(read(utf16le(u"2008"), 1000), "2008");     // so does the block's end
  EXPECT_EQ(read(utf16le(u"20") + "\x31", 10), "20");  // half a character is dropped
  EXPECT_EQ(read(utf16le(u"2012"), 0), "");
  EXPECT_EQ(read(utf16le(u"10.0 \u6D4B\u8BD5"), 8), "10.0 \u6D4B\u8BD5");
  // No fixed-size buffer: a text beyond 255 characters comes back whole.
  const std::u16string long_text(300, u'7');
  EXPECT_EQ(read(utf16le(long_text), 301), std::string(300, '7'));
}

std::string sql_tree(std::u16string table = u"040904E4",
                     std::vector<std::uint16_t> translation = {0x0409, 1252}) {
  return test::version_resource(
      std::move(table),
      {text_value(u"CompanyName", u"Fixture"), text_value(u"FileVersion", u"2005.090.1399.06")}, translation);
}

TEST(ResourceVersionBlock, FindsWholeNamesWithoutRegardToCase) {
  resource_version_block block(sql_tree(u"040904e4"));
  const auto value = block.query("\\stringfileinfo\\040904E4\\FILEVERSION");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->length, 17u);
  EXPECT_EQ(file_version_text(block), sql2005);

  const auto translation = block.query("\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  EXPECT_EQ(translation->length, 4u);
  EXPECT_EQ(translation->bytes[0], 0x09);

  EXPECT_FALSE(block.query("\\StringFileInfo\\040904B0\\FileVersion"));
  EXPECT_FALSE(block.query("\\StringFileInfo\\040904E4\\FileVersion\\More"));
  EXPECT_FALSE(block.query("\\StringFile"));
  EXPECT_FALSE(block.query("\\StringFileInfo\\040904E4\\FileVersio"));
}

TEST(ResourceVersionBlock, DamagedTreesGiveNothingOrAPartOfTheTrueText) {
  const std::string tree = sql_tree();
  const std::size_t string_table = tree.find(utf16le(u"040904E4")) - 6;
  const std::size_t file_version = tree.find(utf16le(u"FileVersion")) - 6;
  const std::size_t company = tree.find(utf16le(u"CompanyName")) - 6;
  const std::map<std::string, std::function<void(std::string&)>> damage = {
      {"root named otherwise", [](std::string& t) { t[6] = 'W'; }},
      {"root shorter than its header", [](std::string& t) { put16(t, 0, 4); }},
      {"a child of length zero", [&](std::string& t) { put16(t, company, 0); }},
      {"a child longer than its parent", [&](std::string& t) { put16(t, company, 0xFFF0); }},
      {"a table longer than the tree", [&](std::string& t) { put16(t, string_table, 0xFFFF); }},
      {"a text claiming 30000 characters", [&](std::string& t) { put16(t, file_version + 2, 30000); }},
      {"a key without its zero",
       [&](std::string& t) {
         for (std::size_t i = string_table + 6; i < t.size(); i += 2) put16(t, i, u'A');
       }},
  };
  for (const auto& [name, apply] : damage) {
    std::string damaged = tree;
    apply(damaged);
    resource_version_block block(damaged);
    const std::string text = file_version_text(block);
    EXPECT_TRUE(text.empty() || sql2005.starts_with(text)) << name << ": " << text;
  }
  for (std::size_t cut = 0; cut <= tree.size(); ++cut) {
    resource_version_block block(tree.substr(0, cut));
    const std::string text = file_version_text(block);
    EXPECT_TRUE(text.empty() || sql2005.starts_with(text)) << cut << ": " << text;
  }
}

// A file of any size that holds only the image's headers and resource section; the filler between
// them reads as zeros and costs no memory. Records what is read.
class sparse_image final : public byte_source {
 public:
  explicit sparse_image(const test::pe_image& image) : image_(image) {}
  std::uint64_t size() const override {
    return image_.headers.size() + image_.filler_size + image_.resources.size();
  }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset > size() || count > size() - offset) return false;
    reads.push_back({offset, count});
    auto* out = static_cast<char*>(buffer);
    const std::uint64_t resources_at = image_.headers.size() + image_.filler_size;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t at = offset + i;
      if (at < image_.headers.size()) {
        out[i] = image_.headers[at];
      } else if (at >= resources_at) {
        out[i] = image_.resources[at - resources_at];
      } else {
        out[i] = '\0';
      }
    }
    return true;
  }
  std::vector<std::pair<std::uint64_t, std::size_t>> reads;

 private:
  const test::pe_image& image_;
};

std::string version_of(const std::string& file) {
  memory_byte_source source(file);
  return pe_file_version(source);
}

TEST(PeVersionReader, ReadsPe32AndPe32PlusImages) {
  const std::string tree = test::simple_version_resource(u"2009.100.1600.1");
  for (bool pe32_plus : {false, true}) {
    EXPECT_EQ(version_of(build_pe(tree, pe32_plus).bytes()), "2009.100.1600.1") << pe32_plus;
    // Many resource types before the version: the root directory is read in several pieces.
    EXPECT_EQ(version_of(build_pe(tree, pe32_plus, 0x1000, 300).bytes()), "2009.100.1600.1") << pe32_plus;
  }
}

TEST(PeVersionReader, ReadsTheHeadersAndTheResourceOnlyOfALargeFile) {
  const std::string tree = test::simple_version_resource(u"2011.110.2100.60");
  const test::pe_image image = build_pe(tree, true, 512u << 20);
  sparse_image file(image);
  EXPECT_EQ(pe_file_version(file), "2011.110.2100.60");
  std::uint64_t total = 0;
  for (const auto& [offset, count] : file.reads) {
    total += count;
    const bool in_headers = offset + count <= image.headers.size();
    const bool in_resources = offset >= image.resource_section;
    EXPECT_TRUE(in_headers || in_resources) << "read of " << count << " bytes at " << offset;
  }
  EXPECT_LT(total, 1024 + tree.size());
  EXPECT_LE(file.reads.size(), 16u);  // a handful of small reads
}

using damage = std::function<void(std::string& file, const test::pe_image& image)>;

void expect_no_version(const std::map<std::string, damage>& cases) {
  const std::string tree = test::simple_version_resource(u"2005.090.1399.06");
  for (bool pe32_plus : {false, true}) {
    const test::pe_image image = build_pe(tree, pe32_plus, 0x800);
    ASSERT_EQ(version_of(image.bytes()), sql2005);
    for (const auto& [name, apply] : cases) {
      std::string file = image.bytes();
      apply(file, image);
      EXPECT_EQ(version_of(file), "") << name << (pe32_plus ? " (PE32+)" : " (PE32)");
    }
  }
}

TEST(PeVersionReader, DamagedHeadersGiveNoVersion) {
  using image_t = test::pe_image;
  expect_no_version({
      {"no MZ", [](std::string& f, const image_t&) { f[1] = 'X'; }},
      {"PE header past the end",
       [](std::string& f, const image_t&) { put32(f, 0x3C, static_cast<std::uint32_t>(f.size() - 8)); }},
      {"PE header at 4 GiB", [](std::string& f, const image_t&) { put32(f, 0x3C, 0xFFFFFFFF); }},
      {"no PE signature", [](std::string& f, const image_t& i) { f[i.file_header + 1] = 'X'; }},
      {"unknown optional header",
       [](std::string& f, const image_t& i) { put16(f, i.optional_header, 0x107); }},
      {"no sections", [](std::string& f, const image_t& i) { put16(f, i.file_header + 6, 0); }},
      {"65535 sections", [](std::string& f, const image_t& i) { put16(f, i.file_header + 6, 0xFFFF); }},
      {"optional header too short for the resource table",
       [](std::string& f, const image_t& i) { put16(f, i.file_header + 20, 0x60); }},
      {"section table past the end",
       [](std::string& f, const image_t& i) { put16(f, i.file_header + 20, 0xFFFF); }},
      {"two data directories",
       [](std::string& f, const image_t& i) { put32(f, i.resource_directory_entry - 20, 2); }},
      {"no resource table",
       [](std::string& f, const image_t& i) { put32(f, i.resource_directory_entry, 0); }},
      {"resource table in no section",
       [](std::string& f, const image_t& i) { put32(f, i.resource_directory_entry, 0x7FFF0000); }},
      {"resource section's data past the end",
       [](std::string& f, const image_t& i) { put32(f, i.section_table + 40 + 20, 0xFFFFFE00); }},
      {"resource section holding no data",
       [](std::string& f, const image_t& i) { put32(f, i.section_table + 40 + 16, 0); }},
  });
}

TEST(PeVersionReader, DamagedResourceDirectoriesGiveNoVersion) {
  using image_t = test::pe_image;
  const auto root = [](const image_t& i) { return static_cast<std::size_t>(i.resource_section); };
  const auto data_entry = [](const image_t& i) { return static_cast<std::size_t>(i.data_entry); };
  expect_no_version({
      {"65535 named and 65535 ID entries",
       [&](std::string& f, const image_t& i) {
         put16(f, root(i) + 12, 0xFFFF);
         put16(f, root(i) + 14, 0xFFFF);
       }},
      {"65535 ID entries", [&](std::string& f, const image_t& i) { put16(f, root(i) + 14, 0xFFFF); }},
      {"no version type", [&](std::string& f, const image_t& i) { put32(f, root(i) + 16, 17); }},
      {"version type with data instead of names",
       [&](std::string& f, const image_t& i) { put32(f, root(i) + 20, 0x48); }},
      {"names past the section",
       [&](std::string& f, const image_t& i) { put32(f, root(i) + 20, 0xFFFFFFFF); }},
      {"names are the root again",
       [&](std::string& f, const image_t& i) { put32(f, root(i) + 20, 0x80000000); }},
      {"languages are the root again",
       [](std::string& f, const image_t& i) { put32(f, i.type_directory + 20, 0x80000000); }},
      {"language leads to a directory",
       [](std::string& f, const image_t& i) { put32(f, i.name_directory + 20, 0x80000000); }},
      {"version under name 2", [](std::string& f, const image_t& i) { put32(f, i.type_directory + 16, 2); }},
      {"data in no section", [&](std::string& f, const image_t& i) { put32(f, data_entry(i), 0x7FFF0000); }},
      {"data running past its section",
       [&](std::string& f, const image_t& i) {
         const std::size_t resources = i.section_table + 40;  // the second section's header
         put32(f, data_entry(i), test::get32(f, resources + 12) + test::get32(f, resources + 16) - 16);
       }},
      {"data of size 0", [&](std::string& f, const image_t& i) { put32(f, data_entry(i) + 4, 0); }},
      {"data of 4 GiB", [&](std::string& f, const image_t& i) { put32(f, data_entry(i) + 4, 0xFFFFFFFF); }},
  });
}

TEST(PeVersionReader, ACopyCutShortGivesNoVersionUnlessTheVersionIsWhole) {
  const std::string tree = test::simple_version_resource(u"2005.090.1399.06");
  for (bool pe32_plus : {false, true}) {
    const test::pe_image image = build_pe(tree, pe32_plus);
    const std::string file = image.bytes();
    const std::uint64_t needed = image.version_data + tree.size();
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      EXPECT_EQ(version_of(file.substr(0, cut)), cut >= needed ? sql2005 : "") << cut;
    }
  }
}

TEST(PeVersionReader, RandomDamageNeverReadsBeyondTheResource) {
  const std::string tree = test::simple_version_resource(u"2005.090.1399.06");
  for (bool pe32_plus : {false, true}) {
    const test::pe_image image = build_pe(tree, pe32_plus);
    const std::string file = image.bytes();
    // The bytes that mean something: headers, section table, directories and the version data.
    std::vector<std::size_t> fields;
    for (std::size_t at = 0; at < image.section_table + 40; ++at) fields.push_back(at);
    for (std::uint64_t at = image.resource_section; at < image.version_data + tree.size(); ++at)
      fields.push_back(at);
    std::mt19937 random(pe32_plus ? 2005 : 2008);
    for (int round = 0; round < 3000; ++round) {
      std::string damaged = file;
      const int changes = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < changes; ++i)
        damaged[fields[random() % fields.size()]] = static_cast<char>(random());
      // UTF-16 units of the resource at most, three UTF-8 bytes each.
      EXPECT_LE(version_of(damaged).size(), tree.size() / 2 * 3) << "round " << round;
    }
  }
}

TEST(PortableFileVersions, ReadsProgramFilesThroughTheFilesInterface) {
  memory_files fs;
  const std::string binn = "C:\\Program Files\\Microsoft SQL Server\\MSSQL.1\\MSSQL\\Binn";
  fs.add_file(binn + "\\sqlservr.exe",
              build_pe(test::simple_version_resource(u"2005.090.1399.06"), false).bytes());
  fs.add_file(binn + "\\readme.txt", "not a program");
  portable_file_versions versions(fs);
  EXPECT_EQ(versions.FileVersion(binn + "\\SQLSERVR.EXE"), sql2005);
  EXPECT_EQ(versions.FileVersion(binn + "\\readme.txt"), "");
  EXPECT_EQ(versions.FileVersion(binn + "\\absent.exe"), "");
  EXPECT_EQ(versions.FileVersion(binn), "");
  EXPECT_EQ(versions.FileVersion(""), "");
}

// The fixtures the build made with the resource compiler, under SETUP_TEST_DATA.
std::string fixture_path(const std::string& name) {
  const char* data = std::getenv("SETUP_TEST_DATA");
  std::string path = data ? data : "";
#ifdef _WIN32
  if (path.starts_with("/")) path = "Z:" + path;  // wine shows the Unix root as Z:
#endif
  return path + "/versions/" + name;
}

std::optional<std::string> read_fixture(const std::string& name) {
  std::ifstream in(fixture_path(name), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string long_text = [] {
  std::string text = "2012.110.";
  for (int i = 0; i < 30; ++i) text += "0123456789";
  return text;
}();

TEST(PeVersionFixtures, TheResourceCompilersFilesReadAsWritten) {
  const std::map<std::string, std::string> expected = {
      {"en_us_1252", sql2005},
      {"en_us_unicode", "2009.100.1600.1"},
      {"zh_cn_gbk", "2011.110.2100.60"},
      {"code_page_0x1252", "2000.080.194.0"},
      {"lower_case_table", "2007.100.2531.0"},
      {"two_translations", "2007.100.5500.0"},
      {"non_ascii_text", "10.0 \u6D4B\u8BD5"},
      {"long_text", long_text},
      {"table_mismatch", ""},
      {"no_translation", ""},
      {"no_version", ""},
      {"version_id_2", ""},
  };
  for (const auto& [name, version] : expected) {
    for (const char* bits : {"_32", "_64"}) {
      const std::optional<std::string> file = read_fixture(name + bits + ".dll");
      ASSERT_TRUE(file) << "missing fixture " << fixture_path(name + bits + ".dll");
      // The 64-bit files are PE32+ indeed.
      ASSERT_GT(file->size(), 0x200u);
      const std::uint32_t pe =
          static_cast<std::uint8_t>((*file)[0x3C]) | static_cast<std::uint8_t>((*file)[0x3D]) << 8;
      ASSERT_LT(pe + 26u, file->size());
      EXPECT_EQ(static_cast<std::uint8_t>((*file)[pe + 25]), std::string(bits) == "_64" ? 2 : 1)
          << name << bits;
      EXPECT_EQ(version_of(*file), version) << name << bits;
    }
  }
}

TEST(PeVersionFixtures, TruncatedCopiesAndOtherFilesGiveNoVersion) {
  std::vector<std::string> names = {"plain_text.dll", "dos_stub_only.exe"};
  for (int cut : {62, 256, 416, 2592, 2816}) {
    for (const char* bits : {"_32", "_64"})
      names.push_back("truncated_" + std::to_string(cut) + bits + ".dll");
  }
  for (const std::string& name : names) {
    const std::optional<std::string> file = read_fixture(name);
    ASSERT_TRUE(file) << "missing fixture " << fixture_path(name);
    EXPECT_EQ(version_of(*file), "") << name;
  }
}

}  // namespace
}  // namespace setup
