// What the install checks that the page navigation checks too, with the same messages: the database
// name (page 3) and the data folder (page 2).
#pragma once

#include <string_view>

namespace setup {

inline constexpr std::string_view database_name_refused_text = "数据库名称不能包含字符 \\ / : * ? \" < > |！";
// True when `name` is not empty and holds no character that a Windows file name cannot hold
// (\ / : * ? " < > | and the control characters): the name becomes part of the database's file names
// in the data folder, and a path character would put them elsewhere.
bool is_usable_database_name(std::string_view name);

inline constexpr std::string_view data_folder_refused_text =
    "请选择SQL Server数据安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data";

}  // namespace setup
