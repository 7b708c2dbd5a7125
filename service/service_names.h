// Every name the port page and the service restart use, once, beside SQL Server's own keys
// (model/sql_server_registry.h): the service keys, the net commands, the waits and the texts the
// operator sees.
#pragma once

#include <cstdint>
#include <string_view>

namespace setup::service_names {

// SQL Server's keys and value names are model/sql_server_registry.h's; these are the port page's own.
// A stored port of 0: no fixed port.
inline constexpr std::string_view no_port = "0";

// Services: the default instance's service has the instance's name, a named one's this prefix before it.
inline constexpr std::string_view named_instance_service_prefix = "MSSQL$";
inline constexpr std::string_view services_key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
inline constexpr std::string_view logon_account = "ObjectName";
inline constexpr std::string_view local_system = "LocalSystem";

// The net commands, run hidden: a service's name stands between double quotes.
inline constexpr std::string_view stop_service = "net stop \"";
inline constexpr std::string_view start_service = "net start \"";
inline constexpr std::string_view service_command_end = "\" /y";
inline constexpr std::string_view stop_browser = "net stop SQLBrowser /y";
inline constexpr std::string_view start_browser = "net start SQLBrowser /y";

// Waits in milliseconds, each after the step it follows.
inline constexpr std::int64_t wait_before_writing = 2000;
inline constexpr std::int64_t wait_after_stop = 8000;
inline constexpr std::int64_t wait_after_logon_start = 8000;
inline constexpr std::int64_t wait_after_start = 5000;

// The check that the service answers on its new port: a connection to the loopback address, tried
// for up to the whole time, each try bounded, with a pause between tries.
inline constexpr std::string_view loopback = "127.0.0.1";
inline constexpr std::int64_t port_check_time = 30000;
inline constexpr std::int64_t port_check_try = 1000;
inline constexpr std::int64_t port_check_pause = 1000;

// Texts on the status line st_disc and in message boxes.
inline constexpr std::string_view not_installed_before_version = "当前服务器未安装[MS SQL Server ";
inline constexpr std::string_view not_installed_after_version = "]，请选择其它版本！";
inline constexpr std::string_view port_must_be_four_digits = "端口号必须为4位数字字符组成，请重新输入！";
inline constexpr std::string_view port_change_failed = "初始化数据库服务器端口失败！";
inline constexpr std::string_view configuring_port = "正在配置数据库服务器端口...";
inline constexpr std::string_view restarting_server = "正在重启服务器(大约需要1-2分钟)...";
// After the text of a stage that waits: the seconds it still waits.
inline constexpr std::string_view seconds_left_before = " 还剩 ";
inline constexpr std::string_view seconds_left_after = " 秒";
inline constexpr std::string_view port_configured = "数据库服务器端口配置成功，请下一步进入数据库安装过程!";
inline constexpr std::string_view tcp_disabled =
    "该实例未启用TCP/IP协议，其它电脑无法连接；修改端口时将同时启用TCP/IP。";
inline constexpr std::string_view dynamic_port_before = "该实例使用动态端口";
inline constexpr std::string_view dynamic_port_after = "，端口可能在重启后改变；请修改为固定端口。";
// After a port change the clients can reach: Windows Firewall.
inline constexpr std::string_view firewall_question_before = "是否在Windows防火墙中允许其它电脑通过TCP端口";
inline constexpr std::string_view firewall_question_after = "连接此数据库服务器？";
inline constexpr std::string_view firewall_opened = "Windows防火墙已允许TCP端口";
inline constexpr std::string_view firewall_failed = "未能在Windows防火墙中允许TCP端口";
inline constexpr std::string_view firewall_failed_after = "，请手工添加入站规则。";
inline constexpr std::string_view firewall_rule_prefix = "SQL Server ";
inline constexpr std::string_view port_not_answering =
    "端口已写入，但数据库服务未在新端口上响应，请检查SQL Server服务！";

}  // namespace setup::service_names
