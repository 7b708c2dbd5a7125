// The controls of the window w_server, each declared once in the list below with its design: its name,
// page (0: the window itself; 1 to 5: that page of tab_1), kind, fixed control ID, caption, position and
// size in layout units, then what differs from the defaults of ui::control_design, in that order. From
// the list follow the controls as plain members of w_server_controls, the IDs of control_ids.h (by
// which the view and the UI automation know the controls) and the declaration order (the order of the
// Tab key). Page controls are placed relative to the page, whose origin is the tab's.
#pragma once

#include <array>
#include <cstddef>

#include "platform/ui.h"

// clang-format off
#define SETUP_W_SERVER_CONTROLS(X)                                                                                  \
  /* The window. */                                                                                                 \
  X(p_2, 0, picture, 1001, "", 23, 24, 548, 200, .picture = "resource\\logo.gif")                                   \
  X(p_1, 0, picture, 1002, "", 0, 0, 594, 1230, .picture = "resource\\leftbar1.gif")                                \
  X(cb_next, 0, button, 1003, "下一步", 1640, 1300, 320, button_height, .font = "宋体")                             \
  X(cb_prev, 0, button, 1004, "上一步", 1280, 1300, 320, button_height, .enabled = false, .font = "宋体")           \
  X(cb_1, 0, button, 1005, "退出(&X)", 2000, 1300, 320, button_height, .font = "宋体")                              \
  X(st_11, 0, label, 1006, "服务器安装程序", 40, 1030, 540, 90, .font = "黑体", .font_points = 12)                  \
  X(st_4, 0, label, 1007, "Server Setup", 40, 1130, 520, 64, .font = "Arial", .font_points = 10)                    \
  X(ln_1, 0, line, 1008, "", 0, 1240, 2386, 8)                                                                      \
  X(ln_2, 0, line, 1009, "", 0, 1252, 2386, 8)                                                                      \
  X(gb_1, 0, frame, 1010, "", 620, 10, 1740, 1210)                                                                  \
  X(tab_1, 0, tab, 1011, "", 640, 40, 1700, 1160)                                                                   \
  X(tabpage_1, 1, page, 1021, "", 0, 0, 0, 0)                                                                       \
  X(tabpage_5, 2, page, 1022, "", 0, 0, 0, 0)                                                                       \
  X(tabpage_2, 3, page, 1023, "", 0, 0, 0, 0)                                                                       \
  X(tabpage_4, 4, page, 1024, "", 0, 0, 0, 0)                                                                       \
  X(tabpage_3, 5, page, 1025, "", 0, 0, 0, 0)                                                                       \
  /* Page 1. */                                                                                                     \
  X(rb_dd, 1, radio, 1101, "单店版", 1240, 370, 380, radio_height, .group = edition_group)                          \
  X(rb_jmzb, 1, radio, 1102, "加盟总部", 160, 370, 380, radio_height, .group = edition_group)                       \
  X(rb_zb, 1, radio, 1103, "总部", 700, 370, 380, radio_height, .checked = true, .group = edition_group)            \
  X(rb_sql2012, 1, radio, 1104, "MS SQL Server 2012", 160, 820, 900, radio_height, .group = version_group)          \
  X(rb_sql2008, 1, radio, 1105, "MS SQL Server 2008", 160, 750, 900, radio_height, .group = version_group)          \
  X(rb_sql2005, 1, radio, 1106, "MS SQL Server 2005", 160, 680, 900, radio_height,                                  \
    .checked = true, .group = version_group)                                                                        \
  X(rb_sql2000, 1, radio, 1107, "MS SQL Server 2000", 160, 610, 900, radio_height, .group = version_group)          \
  X(st_5, 1, label, 1108,                                                                                           \
    "在开始安装之前，必须确保您所使用的电脑已经安装MS SQL Server。同时建议您为SQL Server安装最新的补丁包。",        \
    60, 110, 1580, 150)                                                                                             \
  X(st_10, 1, label, 1109, "重要提示：", 60, 40, 600, label_height, .bold = true)                                   \
  X(gb_5, 1, frame, 1110, "数据库系统版本", 60, 540, 1580, 400)                                                     \
  X(gb_4, 1, frame, 1111, "机构类型", 60, 280, 1580, 200)                                                           \
  /* Page 2. */                                                                                                     \
  X(st_28, 2, label, 1201, "服务器当前端口：", 140, 110, 500, label_height)                                         \
  X(sle_old_port, 2, edit, 1202, "", 660, 100, 400, edit_height, .display_only = true)                              \
  X(st_27, 2, label, 1203, "修改为新端口：", 140, 220, 500, label_height)                                           \
  X(sle_port, 2, edit, 1204, "", 660, 210, 400, edit_height)                                                        \
  X(st_26, 2, label, 1205, "状态：", 140, 330, 500, label_height)                                                   \
  X(st_disc, 2, label, 1206, "", 660, 330, 940, 150)                                                                \
  X(cb_6, 2, button, 1207, "修改端口", 1140, 205, 360, button_height)                                               \
  X(st_20, 2, label, 1208, "1、", 120, 610, 80, label_height)                                                       \
  X(st_21, 2, label, 1209,                                                                                          \
    "修改服务器端口后必须重启服务才能生效，在确认“修改端口”后，系统会自动重启数据库服务，此过程会耗时30-60秒钟！",  \
    200, 610, 1400, 150)                                                                                            \
  X(st_22, 2, label, 1210, "2、", 120, 770, 80, label_height)                                                       \
  X(st_23, 2, label, 1211,                                                                                          \
    "修改服务器端口后，在安装前、后台客户端程序时，请修改数据库连接端口为新的端口号，否则无法连接到数据库！",       \
    200, 770, 1400, 150)                                                                                            \
  X(st_24, 2, label, 1212, "3、", 120, 930, 80, label_height)                                                       \
  X(st_25, 2, label, 1213,                                                                                          \
    "如果当前数据库服务器还有其它应用数据库，请同时修改其它应用程序的连接端口，否则会影响该应用对数据库的连接！",   \
    200, 930, 1400, 150)                                                                                            \
  X(gb_6, 2, frame, 1214, "服务器端口修改", 60, 30, 1580, 480)                                                      \
  X(gb_7, 2, frame, 1215, "说明", 60, 540, 1580, 560)                                                               \
  /* Page 3. */                                                                                                     \
  X(st_custtip, 3, label, 1301, "(一机多库时，用于标识数据库)", 1160, 190, 480, label_height)                       \
  X(sle_custname, 3, edit, 1302, "", 770, 180, 370, edit_height)                                                    \
  X(st_custname, 3, label, 1303, "客户名称：", 60, 190, 700, label_height)                                          \
  X(sle_dbname, 3, edit, 1304, "", 520, 280, 360, edit_height)                                                      \
  X(st_dbname, 3, label, 1305, "数据库名称：", 60, 290, 450, label_height)                                          \
  X(st_memo, 3, label, 1306, "说明：当前服务器存在多个实例名，请自行选择正确的实例进行连接", 60, 720, 1560, 120,    \
    .visible = false)                                                                                               \
  X(st_sql_version, 3, label, 1307, "", 770, 565, 770, 50)                                                          \
  X(sle_sqlsetup, 3, dropdown, 1308, "", 770, 480, 770, edit_height)                                                \
  X(pb_3, 3, picture_button, 1309, " ...", 1550, 620, 90, edit_height)                                              \
  X(sle_sqldatasetup, 3, edit, 1310, "", 770, 620, 770, edit_height)                                                \
  X(st_9, 3, label, 1311, "SQL Server数据安装路径：", 60, 630, 700, label_height)                                   \
  X(pb_2, 3, picture_button, 1312, " ...", 1550, 480, 90, edit_height)                                              \
  X(st_7, 3, label, 1313, "SQL Server系统安装路径：", 60, 490, 700, label_height)                                   \
  X(sle_pass1, 3, password_edit, 1314, "", 770, 380, 370, edit_height)                                              \
  X(st_1, 3, label, 1315, "数据库存在时特殊操作密码：", 60, 390, 700, label_height)                                 \
  X(sle_pass, 3, password_edit, 1316, "", 1340, 280, 290, edit_height)                                              \
  X(st_pass, 3, label, 1317, "数据库 sa 口令：", 900, 290, 440, label_height)                                       \
  X(st_servername, 3, label, 1318, "服务器机器名称：", 60, 90, 700, label_height)                                   \
  X(pb_backupdata, 3, picture_button, 1319, " ...", 1550, 860, 90, edit_height)                                     \
  X(sle_backupdata, 3, edit, 1320, "", 770, 860, 770, edit_height)                                                  \
  X(st_backupdata, 3, label, 1321, "安装数据文件：", 60, 870, 700, label_height)                                    \
  X(sle_servername, 3, edit, 1322, "(local)", 770, 80, 770, edit_height)                                            \
  X(gb_2, 3, frame, 1323, "安装选项", 30, 10, 1640, 1110)                                                           \
  /* Page 4: a row per accessory (icon button, title, description, button). */                                      \
  X(pb_wcf, 4, picture_button, 1401, "", 60, 590, 180, 150, .picture = "resource\\aboutu.gif")                      \
  X(st_wcf, 4, label, 1402, "", 280, 600, 960, label_height, .bold = true)                                          \
  X(st_wcf_info, 4, label, 1403, "门店与总部进行数据交互的服务程序", 280, 680, 960, label_height)                   \
  X(cbx_1, 4, checkbox, 1404, "立即开通澜拓微商店", 280, 930, 960, radio_height)                                    \
  X(st_15, 4, label, 1405, "提供各门店自动升级功能；", 280, 300, 960, label_height)                                 \
  X(st_14, 4, label, 1406, "安装信息自动发送系统", 280, 410, 960, label_height, .bold = true)                       \
  X(st_13, 4, label, 1407, "安装自动升级系统", 280, 220, 960, label_height, .bold = true)                           \
  X(st_8, 4, label, 1408, "安装数据库", 280, 30, 960, label_height, .bold = true)                                   \
  X(pb_7, 4, picture_button, 1409, "", 60, 210, 180, 150, .picture = "resource\\aboutm.gif")                        \
  X(pb_6, 4, picture_button, 1410, "", 60, 400, 180, 150, .picture = "resource\\aboutl.gif")                        \
  X(pb_4, 4, picture_button, 1411, "", 60, 20, 180, 150, .picture = "resource\\aboutd.gif")                         \
  X(cb_4, 4, button, 1412, "安装", 1300, 240, 300, button_height)                                                   \
  X(cb_5, 4, button, 1413, "安装", 1300, 430, 300, button_height)                                                   \
  X(cb_2, 4, button, 1414, "安装", 1300, 50, 300, button_height)                                                    \
  X(st_dis2, 4, label, 1415, "", 280, 490, 960, label_height)                                                       \
  X(st_dis, 4, label, 1416, "安装软件服务端数据库；", 280, 110, 960, label_height)                                  \
  /* Page 5. */                                                                                                     \
  X(sle_pas, 5, password_edit, 1501, "", 500, 390, 800, edit_height)                                                \
  X(sle_server, 5, edit, 1502, "", 500, 270, 800, edit_height)                                                      \
  X(st_18, 5, label, 1503, "sa 密码：", 80, 400, 400, label_height)                                                 \
  X(st_17, 5, label, 1504, "服务器：", 80, 280, 400, label_height)                                                  \
  X(st_16, 5, label, 1505,                                                                                          \
    "默认数据库sa密码为空，如有单独设置，请输入正确的密码，之后进行下一步处理；", 80, 100, 1500, 130)               \
  X(gb_3, 5, frame, 1506, "数据库安装信息", 30, 10, 1640, 600)
// clang-format on

namespace setup {

// The window's size in layout units.
inline constexpr int w_server_width = 2386;
inline constexpr int w_server_height = 1444;

// The controls of w_server as data: what the logic reads and writes, with no window behind them.
struct w_server_controls {
  // Shared geometry: labels, edits and buttons of one row line up.
  static constexpr int label_height = 64;
  static constexpr int edit_height = 84;
  static constexpr int button_height = 92;
  static constexpr int radio_height = 72;
  // Radio buttons of one page and group exclude each other.
  static constexpr int edition_group = 1;
  static constexpr int version_group = 2;

#define SETUP_DECLARE_CONTROL(n, pg, k, i, txt, x_, y_, w_, h_, ...)                                         \
  ui::control n{ui::control_design{.name = #n, .kind = ui::control_kind::k, .id = i, .page = pg, .text = txt, \
                                   .x = x_, .y = y_, .width = w_, .height = h_ __VA_OPT__(, ) __VA_ARGS__}};
  SETUP_W_SERVER_CONTROLS(SETUP_DECLARE_CONTROL)
#undef SETUP_DECLARE_CONTROL

#define SETUP_COUNT_CONTROL(...) +1
  static constexpr std::size_t count = 0 SETUP_W_SERVER_CONTROLS(SETUP_COUNT_CONTROL);
#undef SETUP_COUNT_CONTROL

  // Every control, in declaration order.
  std::array<ui::control*, count> all() {
#define SETUP_ADDRESS_OF_CONTROL(n, ...) &n,
    return {SETUP_W_SERVER_CONTROLS(SETUP_ADDRESS_OF_CONTROL)};
#undef SETUP_ADDRESS_OF_CONTROL
  }
};

}  // namespace setup
