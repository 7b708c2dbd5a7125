#include "platform/text.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(Text, Utf8AndUtf16RoundTripIncludingSupplementaryCharacters) {
  const std::string text = "服务器 setup \xF0\x9F\x98\x80";  // CJK, ASCII and an emoji
  const std::u16string units = utf8_to_utf16(text);
  EXPECT_EQ(units.size(), 3u + 7u + 2u);
  EXPECT_EQ(utf16_to_utf8(units), text);
  EXPECT_EQ(utf16_length(text), units.size());
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
  EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));      // overlong
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(is_valid_utf8("abc\xE6\x9C"));   // cut short
  EXPECT_EQ(utf8_to_utf16("a\xFF"
                          "b"),
            u"a\uFFFDb");
  EXPECT_EQ(utf16_to_utf8(u"x\xD800y"), "x\xEF\xBF\xBDy");
}

TEST(Text, TrimRemovesBlanksOnly) {
  EXPECT_EQ(trim_spaces("  1433  "), "1433");
  EXPECT_EQ(trim_spaces("\t1433\t"), "\t1433\t");
  EXPECT_EQ(trim_spaces("   "), "");
}

TEST(Text, CaseInsensitiveHelpersFoldAsciiOnly) {
  EXPECT_TRUE(equals_ignore_case_ascii("MSSQLServer", "MSSQLSERVER"));
  EXPECT_FALSE(equals_ignore_case_ascii("MSSQLServer", "MSSQLServe"));
  EXPECT_EQ(find_ignore_case_ascii("xYz", "y"), 1u);
  EXPECT_EQ(find_ignore_case_ascii("xyz", "Q"), std::string::npos);
  EXPECT_TRUE(ends_with_ignore_case_ascii("C:\\SQL\\BINN", "\\binn"));
}

}  // namespace
}  // namespace setup
