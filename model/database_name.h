// What the page navigation checks and the install checks again, with the same messages: whether a name
// may be used for the product database (it becomes part of the database's file names in the data
// folder, so it must be a name a Windows file can have), and the data folder.
#pragma once

#include <string_view>

namespace setup {

inline constexpr std::string_view message_enter_database_name = "请输入数据库名称！";
inline constexpr std::string_view message_database_name_characters =
    "数据库名称不能包含字符 \\ / : * ? \" < > |！";
inline constexpr std::string_view message_choose_data_folder =
    "请选择SQL Server数据安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data";

// The message that refuses the (already trimmed) name, or an empty text when it may be used: an empty
// name, and one holding \ / : * ? " < > | or a control character, are refused.
inline std::string_view database_name_refusal(std::string_view name) {
  if (name.empty()) return message_enter_database_name;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return message_database_name_characters;
    }
  }
  return {};
}

}  // namespace setup
