// The backup manifest and drive C: on a host directory.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

TEST(BackupFormat, WhatIsWrittenReadsBackTheSame) {
  backup_image image = product_backup();
  image.server = server_version::v2005;
  image.recovery = "SIMPLE";
  image.users.push_back({"orphan", std::nullopt});
  image.rows.push_back({"quote's", "two\nlines", std::nullopt, "#not a comment"});
  image.rows.push_back({"", "", "", ""});
  const std::string text = format_backup(image);
  backup_image read;
  std::string error;
  ASSERT_TRUE(parse_backup(text, read, error)) << error << "\n" << text;
  EXPECT_EQ(format_backup(read), text);
  EXPECT_EQ(read.rows[2].sys_var_id, "quote's");
  EXPECT_EQ(read.rows[2].sys_var_name, "two\nlines");
  EXPECT_FALSE(read.rows[2].sys_var_value.has_value());
  EXPECT_EQ(read.users[1].sid, std::string("\xAA\xBB\xCC\xDD", 4));
  EXPECT_EQ(read.server, server_version::v2005);
}

TEST(BackupFormat, HandWrittenFilesMayHaveCommentsBlanksAndAnyCase) {
  const std::string text =
      "SQLSIM BACKUP 1\r\n"
      "# the demo's product database\r\n"
      "\r\n"
      "Database   'shop'\r\n"
      "DATA 'shop_Data' 'C:\\x\\shop.mdf'\t\r\n"
      "log 'shop_Log' 'C:\\x\\shop.ldf'\r\n"
      "user 'dbo' 0x01\r\n"
      "table T_SYS_SYSTEM\r\n"
      "row 'product_flag' 'product_flag' '1' null\r\n";
  backup_image image;
  std::string error;
  ASSERT_TRUE(parse_backup(text, image, error)) << error;
  EXPECT_EQ(image.database, "shop");
  EXPECT_EQ(image.recovery, "FULL");
  ASSERT_EQ(image.files.size(), 2u);
  EXPECT_TRUE(image.files[1].log);
  EXPECT_EQ(image.rows.size(), 1u);
}

TEST(BackupFormat, MalformedManifestsAreRefusedWithTheLine) {
  const std::string head =
      "SQLSIM BACKUP 1\ndatabase 'd'\ndata 'd_Data' 'c:\\d.mdf'\nlog 'd_Log' 'c:\\d.ldf'\n";
  const char* const cases[] = {
      "",
      "\xEF\xBB\xBF\x00\x01 binary junk",
      "SQLSIM BACKUP 2\n",
      "SQLSIM BACKUP 1\ndatabase 'd'\ndata 'd_Data' 'c:\\d.mdf'\n",  // no log file
      "SQLSIM BACKUP 1\ndatabase 'd'\ndatabase 'e'\n",
      "SQLSIM BACKUP 1\ndatabase 'd\n",
      "row 'a' 'b' 'c' 'd'\n",
      "table t_sys_system\nrow 'a' 'b' 'c'\n",
      "table t_sys_system\nrow NULL 'b' 'c' 'd'\n",
      "table t_sys_system\nrow 'a' 'b' 'c' 'd'\nrow 'A ' 'b' 'c' 'd'\n",
      "data 'D_DATA' 'c:\\e.mdf'\n",
      "user 'u' 0x1\n",
      "user 'u' 0xZZ\n",
      "user 'u' 'text'\n",
      "server 2013\n",
      "recovery PARTIAL\n",
      "drop 'everything'\n",
  };
  for (const char* tail : cases) {
    const std::string text = std::string(tail).rfind("SQLSIM", 0) == 0 || !*tail || tail[0] == '\xEF'
                                 ? std::string(tail)
                                 : head + tail;
    backup_image image;
    std::string error;
    EXPECT_FALSE(parse_backup(text, image, error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

TEST(CDrive, WindowsPathsMapIntoTheRootOnly) {
  temp_drive drive;
  drive.write("Program Files/Data/Shop.MDF", "x");
  auto c = make_c_drive_disk(drive.root());
  EXPECT_EQ(c->read_file("C:\\PROGRAM FILES\\data\\shop.mdf"), "x");
  EXPECT_EQ(c->read_file("c:/program files//DATA/./shop.mdf"), "x");
  EXPECT_TRUE(c->directory_exists("c:\\"));
  EXPECT_FALSE(c->read_file("d:\\program files\\data\\shop.mdf").has_value());
  EXPECT_FALSE(c->read_file("program files\\data\\shop.mdf").has_value());
  EXPECT_FALSE(c->read_file("\\\\server\\share\\shop.mdf").has_value());
  EXPECT_FALSE(c->read_file("c:\\program files\\data").has_value());

  EXPECT_TRUE(c->write_file("c:\\..\\..\\new.txt", "n"));
  EXPECT_TRUE(drive.exists("new.txt"));
  EXPECT_FALSE(c->write_file("c:\\missing\\new.txt", "n"));
  EXPECT_FALSE(c->write_file("c:\\bad|name.txt", "n"));
  EXPECT_TRUE(c->remove_file("C:\\NEW.TXT"));
  EXPECT_FALSE(c->remove_file("c:\\new.txt"));

  auto nothing = make_c_drive_disk({});
  EXPECT_FALSE(nothing->directory_exists("c:\\"));
  EXPECT_FALSE(nothing->write_file("c:\\x", ""));
}

}  // namespace
}  // namespace sqlsim::testing
