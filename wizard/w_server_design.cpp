// The design of w_server: every control with its caption, design state and position in layout units.
// Page controls are placed relative to the page, whose origin is the tab's.
#include "wizard/w_server_design.h"

#include <array>

#include "wizard/control_ids.h"

namespace setup {
namespace {

using ui::control_kind;
using ui::control_spec;

constexpr control_kind label = control_kind::label;
constexpr control_kind edit = control_kind::edit;
constexpr control_kind password = control_kind::password_edit;
constexpr control_kind button = control_kind::button;
constexpr control_kind picture_button = control_kind::picture_button;
constexpr control_kind radio = control_kind::radio;
constexpr control_kind checkbox = control_kind::checkbox;
constexpr control_kind dropdown = control_kind::dropdown;
constexpr control_kind picture = control_kind::picture;
constexpr control_kind line = control_kind::line;
constexpr control_kind frame = control_kind::frame;

constexpr int edition_group = 1;
constexpr int version_group = 2;

// Shared geometry: labels, edits and buttons of one row line up.
constexpr int label_height = 64;
constexpr int edit_height = 84;
constexpr int button_height = 92;
constexpr int radio_height = 72;

const std::array designs = {
    // The window.
    control_spec{.name = "p_2", .kind = picture, .id = ids::p_2, .x = 23, .y = 24, .width = 548, .height = 200,
                 .picture = "resource\\logo.gif"},
    control_spec{.name = "p_1", .kind = picture, .id = ids::p_1, .x = 0, .y = 0, .width = 594, .height = 1230,
                 .picture = "resource\\leftbar1.gif"},
    control_spec{.name = "cb_next", .kind = button, .id = ids::cb_next, .text = "下一步", .x = 1640, .y = 1300,
                 .width = 320, .height = button_height, .font = "宋体"},
    control_spec{.name = "cb_prev", .kind = button, .id = ids::cb_prev, .text = "上一步", .x = 1280, .y = 1300,
                 .width = 320, .height = button_height, .enabled = false, .font = "宋体"},
    control_spec{.name = "cb_1", .kind = button, .id = ids::cb_1, .text = "退出(&X)", .x = 2000, .y = 1300,
                 .width = 320, .height = button_height, .font = "宋体"},
    control_spec{.name = "st_11", .kind = label, .id = ids::st_11, .text = "服务器安装程序", .x = 40, .y = 1030,
                 .width = 540, .height = 90, .font = "黑体", .font_points = 12},
    control_spec{.name = "st_4", .kind = label, .id = ids::st_4, .text = "Server Setup", .x = 40, .y = 1130,
                 .width = 520, .height = 64, .font = "Arial", .font_points = 10},
    control_spec{.name = "ln_1", .kind = line, .id = ids::ln_1, .x = 0, .y = 1240, .width = 2386, .height = 8},
    control_spec{.name = "ln_2", .kind = line, .id = ids::ln_2, .x = 0, .y = 1252, .width = 2386, .height = 8},
    control_spec{.name = "gb_1", .kind = frame, .id = ids::gb_1, .x = 620, .y = 10, .width = 1740, .height = 1210},
    control_spec{.name = "tab_1", .kind = control_kind::tab, .id = ids::tab_1, .x = 640, .y = 40, .width = 1700,
                 .height = 1160},
    control_spec{.name = "tabpage_1", .kind = control_kind::page, .id = ids::tabpage_1, .page = 1},
    control_spec{.name = "tabpage_5", .kind = control_kind::page, .id = ids::tabpage_5, .page = 2},
    control_spec{.name = "tabpage_2", .kind = control_kind::page, .id = ids::tabpage_2, .page = 3},
    control_spec{.name = "tabpage_4", .kind = control_kind::page, .id = ids::tabpage_4, .page = 4},
    control_spec{.name = "tabpage_3", .kind = control_kind::page, .id = ids::tabpage_3, .page = 5},

    // Page 1.
    control_spec{.name = "rb_dd", .kind = radio, .id = ids::rb_dd, .page = 1, .text = "单店版", .x = 1240, .y = 370,
                 .width = 420, .height = radio_height, .group = edition_group},
    control_spec{.name = "rb_jmzb", .kind = radio, .id = ids::rb_jmzb, .page = 1, .text = "加盟总部", .x = 160,
                 .y = 370, .width = 420, .height = radio_height, .group = edition_group},
    control_spec{.name = "rb_zb", .kind = radio, .id = ids::rb_zb, .page = 1, .text = "总部", .x = 700, .y = 370,
                 .width = 420, .height = radio_height, .checked = true, .group = edition_group},
    control_spec{.name = "rb_sql2012", .kind = radio, .id = ids::rb_sql2012, .page = 1, .text = "MS SQL Server 2012",
                 .x = 160, .y = 820, .width = 900, .height = radio_height, .group = version_group},
    control_spec{.name = "rb_sql2008", .kind = radio, .id = ids::rb_sql2008, .page = 1, .text = "MS SQL Server 2008",
                 .x = 160, .y = 750, .width = 900, .height = radio_height, .group = version_group},
    control_spec{.name = "rb_sql2005", .kind = radio, .id = ids::rb_sql2005, .page = 1, .text = "MS SQL Server 2005",
                 .x = 160, .y = 680, .width = 900, .height = radio_height, .checked = true, .group = version_group},
    control_spec{.name = "rb_sql2000", .kind = radio, .id = ids::rb_sql2000, .page = 1, .text = "MS SQL Server 2000",
                 .x = 160, .y = 610, .width = 900, .height = radio_height, .group = version_group},
    control_spec{.name = "st_5", .kind = label, .id = ids::st_5, .page = 1,
                 .text = "在开始安装之前，必须确保您所使用的电脑已经安装MS SQL Server。同时建议您为SQL "
                         "Server安装最新的补丁包。",
                 .x = 60, .y = 110, .width = 1580, .height = 150},
    control_spec{.name = "st_10", .kind = label, .id = ids::st_10, .page = 1, .text = "重要提示：", .x = 60, .y = 40,
                 .width = 600, .height = label_height, .bold = true},
    control_spec{.name = "gb_5", .kind = frame, .id = ids::gb_5, .page = 1, .text = "数据库系统版本", .x = 60,
                 .y = 540, .width = 1580, .height = 400},
    control_spec{.name = "gb_4", .kind = frame, .id = ids::gb_4, .page = 1, .text = "机构类型", .x = 60, .y = 280,
                 .width = 1580, .height = 200},

    // Page 2.
    control_spec{.name = "st_28", .kind = label, .id = ids::st_28, .page = 2, .text = "服务器当前端口：", .x = 140,
                 .y = 110, .width = 500, .height = label_height},
    control_spec{.name = "sle_old_port", .kind = edit, .id = ids::sle_old_port, .page = 2, .x = 660, .y = 100,
                 .width = 400, .height = edit_height, .display_only = true},
    control_spec{.name = "st_27", .kind = label, .id = ids::st_27, .page = 2, .text = "修改为新端口：", .x = 140,
                 .y = 220, .width = 500, .height = label_height},
    control_spec{.name = "sle_port", .kind = edit, .id = ids::sle_port, .page = 2, .x = 660, .y = 210, .width = 400,
                 .height = edit_height},
    control_spec{.name = "st_26", .kind = label, .id = ids::st_26, .page = 2, .text = "状态：", .x = 140, .y = 330,
                 .width = 500, .height = label_height},
    control_spec{.name = "st_disc", .kind = label, .id = ids::st_disc, .page = 2, .x = 660, .y = 330, .width = 940,
                 .height = 150},
    control_spec{.name = "cb_6", .kind = button, .id = ids::cb_6, .page = 2, .text = "修改端口", .x = 1140, .y = 205,
                 .width = 360, .height = button_height},
    control_spec{.name = "st_20", .kind = label, .id = ids::st_20, .page = 2, .text = "1、", .x = 120, .y = 610,
                 .width = 80, .height = label_height},
    control_spec{.name = "st_21", .kind = label, .id = ids::st_21, .page = 2,
                 .text = "修改服务器端口后必须重启服务才能生效，在确认“修改端口”后，系统会自动重启数据库服务，此"
                         "过程会耗时30-60秒钟！",
                 .x = 200, .y = 610, .width = 1400, .height = 150},
    control_spec{.name = "st_22", .kind = label, .id = ids::st_22, .page = 2, .text = "2、", .x = 120, .y = 770,
                 .width = 80, .height = label_height},
    control_spec{.name = "st_23", .kind = label, .id = ids::st_23, .page = 2,
                 .text = "修改服务器端口后，在安装前、后台客户端程序时，请修改数据库连接端口为新的端口号，否则无法"
                         "连接到数据库！",
                 .x = 200, .y = 770, .width = 1400, .height = 150},
    control_spec{.name = "st_24", .kind = label, .id = ids::st_24, .page = 2, .text = "3、", .x = 120, .y = 930,
                 .width = 80, .height = label_height},
    control_spec{.name = "st_25", .kind = label, .id = ids::st_25, .page = 2,
                 .text = "如果当前数据库服务器还有其它应用数据库，请同时修改其它应用程序的连接端口，否则会影响该应"
                         "用对数据库的连接！",
                 .x = 200, .y = 930, .width = 1400, .height = 150},
    control_spec{.name = "gb_6", .kind = frame, .id = ids::gb_6, .page = 2, .text = "服务器端口修改", .x = 60,
                 .y = 30, .width = 1580, .height = 480},
    control_spec{.name = "gb_7", .kind = frame, .id = ids::gb_7, .page = 2, .text = "说明", .x = 60, .y = 540,
                 .width = 1580, .height = 560},

    // Page 3.
    control_spec{.name = "st_custtip", .kind = label, .id = ids::st_custtip, .page = 3,
                 .text = "(一机多库时，用于标识数据库)", .x = 1160, .y = 190, .width = 480, .height = label_height},
    control_spec{.name = "sle_custname", .kind = edit, .id = ids::sle_custname, .page = 3, .x = 770, .y = 180,
                 .width = 370, .height = edit_height},
    control_spec{.name = "st_custname", .kind = label, .id = ids::st_custname, .page = 3, .text = "客户名称：",
                 .x = 60, .y = 190, .width = 700, .height = label_height},
    control_spec{.name = "sle_dbname", .kind = edit, .id = ids::sle_dbname, .page = 3, .x = 520, .y = 280,
                 .width = 360, .height = edit_height},
    control_spec{.name = "st_dbname", .kind = label, .id = ids::st_dbname, .page = 3, .text = "数据库名称：", .x = 60,
                 .y = 290, .width = 450, .height = label_height},
    control_spec{.name = "st_memo", .kind = label, .id = ids::st_memo, .page = 3,
                 .text = "说明：当前服务器存在多个实例名，请自行选择正确的实例进行连接", .x = 60, .y = 720,
                 .width = 1560, .height = 120, .visible = false},
    control_spec{.name = "st_sql_version", .kind = label, .id = ids::st_sql_version, .page = 3, .x = 770, .y = 565,
                 .width = 770, .height = 50},
    control_spec{.name = "sle_sqlsetup", .kind = dropdown, .id = ids::sle_sqlsetup, .page = 3, .x = 770, .y = 480,
                 .width = 770, .height = edit_height},
    control_spec{.name = "pb_3", .kind = picture_button, .id = ids::pb_3, .page = 3, .text = " ...", .x = 1550,
                 .y = 620, .width = 90, .height = edit_height},
    control_spec{.name = "sle_sqldatasetup", .kind = edit, .id = ids::sle_sqldatasetup, .page = 3, .x = 770,
                 .y = 620, .width = 770, .height = edit_height},
    control_spec{.name = "st_9", .kind = label, .id = ids::st_9, .page = 3, .text = "SQL Server数据安装路径：",
                 .x = 60, .y = 630, .width = 700, .height = label_height},
    control_spec{.name = "pb_2", .kind = picture_button, .id = ids::pb_2, .page = 3, .text = " ...", .x = 1550,
                 .y = 480, .width = 90, .height = edit_height},
    control_spec{.name = "st_7", .kind = label, .id = ids::st_7, .page = 3, .text = "SQL Server系统安装路径：",
                 .x = 60, .y = 490, .width = 700, .height = label_height},
    control_spec{.name = "sle_pass1", .kind = password, .id = ids::sle_pass1, .page = 3, .x = 770, .y = 380,
                 .width = 370, .height = edit_height},
    control_spec{.name = "st_1", .kind = label, .id = ids::st_1, .page = 3, .text = "数据库存在时特殊操作密码：",
                 .x = 60, .y = 390, .width = 700, .height = label_height},
    control_spec{.name = "sle_pass", .kind = password, .id = ids::sle_pass, .page = 3, .x = 1340, .y = 280,
                 .width = 290, .height = edit_height},
    control_spec{.name = "st_pass", .kind = label, .id = ids::st_pass, .page = 3, .text = "数据库 sa 口令：",
                 .x = 900, .y = 290, .width = 440, .height = label_height},
    control_spec{.name = "st_servername", .kind = label, .id = ids::st_servername, .page = 3,
                 .text = "服务器机器名称：", .x = 60, .y = 90, .width = 700, .height = label_height},
    control_spec{.name = "pb_backupdata", .kind = picture_button, .id = ids::pb_backupdata, .page = 3,
                 .text = " ...", .x = 1550, .y = 860, .width = 90, .height = edit_height},
    control_spec{.name = "sle_backupdata", .kind = edit, .id = ids::sle_backupdata, .page = 3, .x = 770, .y = 860,
                 .width = 770, .height = edit_height},
    control_spec{.name = "st_backupdata", .kind = label, .id = ids::st_backupdata, .page = 3,
                 .text = "安装数据文件：", .x = 60, .y = 870, .width = 700, .height = label_height},
    control_spec{.name = "sle_servername", .kind = edit, .id = ids::sle_servername, .page = 3, .text = "(local)",
                 .x = 770, .y = 80, .width = 770, .height = edit_height},
    control_spec{.name = "gb_2", .kind = frame, .id = ids::gb_2, .page = 3, .text = "安装选项", .x = 30, .y = 10,
                 .width = 1640, .height = 1110},

    // Page 4: a row per accessory (icon button, title, description, button).
    control_spec{.name = "pb_wcf", .kind = picture_button, .id = ids::pb_wcf, .page = 4, .x = 60, .y = 590,
                 .width = 180, .height = 150, .picture = "resource\\aboutu.gif"},
    control_spec{.name = "st_wcf", .kind = label, .id = ids::st_wcf, .page = 4, .x = 280, .y = 600, .width = 960,
                 .height = label_height, .bold = true},
    control_spec{.name = "st_wcf_info", .kind = label, .id = ids::st_wcf_info, .page = 4,
                 .text = "门店与总部进行数据交互的服务程序", .x = 280, .y = 680, .width = 960,
                 .height = label_height},
    control_spec{.name = "cbx_1", .kind = checkbox, .id = ids::cbx_1, .page = 4, .text = "立即开通澜拓微商店",
                 .x = 280, .y = 930, .width = 960, .height = radio_height},
    control_spec{.name = "st_15", .kind = label, .id = ids::st_15, .page = 4, .text = "提供各门店自动升级功能；",
                 .x = 280, .y = 300, .width = 960, .height = label_height},
    control_spec{.name = "st_14", .kind = label, .id = ids::st_14, .page = 4, .text = "安装信息自动发送系统",
                 .x = 280, .y = 410, .width = 960, .height = label_height, .bold = true},
    control_spec{.name = "st_13", .kind = label, .id = ids::st_13, .page = 4, .text = "安装自动升级系统", .x = 280,
                 .y = 220, .width = 960, .height = label_height, .bold = true},
    control_spec{.name = "st_8", .kind = label, .id = ids::st_8, .page = 4, .text = "安装数据库", .x = 280, .y = 30,
                 .width = 960, .height = label_height, .bold = true},
    control_spec{.name = "pb_7", .kind = picture_button, .id = ids::pb_7, .page = 4, .x = 60, .y = 210,
                 .width = 180, .height = 150, .picture = "resource\\aboutm.gif"},
    control_spec{.name = "pb_6", .kind = picture_button, .id = ids::pb_6, .page = 4, .x = 60, .y = 400,
                 .width = 180, .height = 150, .picture = "resource\\aboutl.gif"},
    control_spec{.name = "pb_4", .kind = picture_button, .id = ids::pb_4, .page = 4, .x = 60, .y = 20,
                 .width = 180, .height = 150, .picture = "resource\\aboutd.gif"},
    control_spec{.name = "cb_4", .kind = button, .id = ids::cb_4, .page = 4, .text = "安装", .x = 1300, .y = 240,
                 .width = 300, .height = button_height},
    control_spec{.name = "cb_5", .kind = button, .id = ids::cb_5, .page = 4, .text = "安装", .x = 1300, .y = 430,
                 .width = 300, .height = button_height},
    control_spec{.name = "cb_2", .kind = button, .id = ids::cb_2, .page = 4, .text = "安装", .x = 1300, .y = 50,
                 .width = 300, .height = button_height},
    control_spec{.name = "st_dis2", .kind = label, .id = ids::st_dis2, .page = 4, .x = 280, .y = 490, .width = 960,
                 .height = label_height},
    control_spec{.name = "st_dis", .kind = label, .id = ids::st_dis, .page = 4, .text = "安装软件服务端数据库；",
                 .x = 280, .y = 110, .width = 960, .height = label_height},

    // Page 5.
    control_spec{.name = "sle_pas", .kind = password, .id = ids::sle_pas, .page = 5, .x = 500, .y = 390,
                 .width = 800, .height = edit_height},
    control_spec{.name = "sle_server", .kind = edit, .id = ids::sle_server, .page = 5, .x = 500, .y = 270,
                 .width = 800, .height = edit_height},
    control_spec{.name = "st_18", .kind = label, .id = ids::st_18, .page = 5, .text = "sa 密码：", .x = 80, .y = 400,
                 .width = 400, .height = label_height},
    control_spec{.name = "st_17", .kind = label, .id = ids::st_17, .page = 5, .text = "服务器：", .x = 80, .y = 280,
                 .width = 400, .height = label_height},
    control_spec{.name = "st_16", .kind = label, .id = ids::st_16, .page = 5,
                 .text = "默认数据库sa密码为空，如有单独设置，请输入正确的密码，之后进行下一步处理；", .x = 80,
                 .y = 100, .width = 1500, .height = 130},
    control_spec{.name = "gb_3", .kind = frame, .id = ids::gb_3, .page = 5, .text = "数据库安装信息", .x = 30,
                 .y = 10, .width = 1640, .height = 600},
};

}  // namespace

ui::control_spec w_server_design(std::string_view name) {
  for (const control_spec& spec : designs) {
    if (spec.name == name) return spec;
  }
  return control_spec{.name = std::string(name)};
}

}  // namespace setup
