// The controls and texts of automation_target.exe, the window the automation's own tests drive.
#pragma once

namespace setup::automation::target {

inline constexpr int edit = 201;
inline constexpr int echo = 202;             // shows the edit's text after each change
inline constexpr int ask_default_no = 203;   // Yes/No box, No the default
inline constexpr int ask_default_yes = 204;  // Yes/No box, Yes the default
inline constexpr int inform = 205;           // OK box
inline constexpr int answer = 206;           // "是", "否" or "好": the button pressed in the last box
inline constexpr int check = 207;
inline constexpr int radio_a = 208;  // checked at start
inline constexpr int radio_b = 209;
inline constexpr int hidden_label = 210;
inline constexpr int disabled_button = 211;
inline constexpr int hidden_panel = 212;
inline constexpr int label_in_panel = 213;  // visible itself, inside the hidden panel
inline constexpr int open_url = 214;        // opens the address given with --url

inline constexpr const wchar_t* window_title = L"自动化目标";
inline constexpr const wchar_t* box_caption = L"目标程序";
inline constexpr const wchar_t* question_text = L"删除数据库？\n此操作不可撤销。";
inline constexpr const wchar_t* information_text = L"完成";

}  // namespace setup::automation::target
