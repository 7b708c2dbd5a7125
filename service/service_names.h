// Every name the port page and the service restart use, once: SQL Server's network keys and values,
// the service keys, the net commands, the waits and the texts the operator sees.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace setup::service_names {

// SQL Server's TCP settings. An instance's key is the instance key + its name or instance id + the
// TCP suffix; SQL Server 2005 and later keep the port in the IPn and IPALL sub-keys, SQL Server 2000
// directly under the key.
inline constexpr std::string_view instance_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
inline constexpr std::string_view tcp_key_suffix = "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
inline constexpr std::string_view default_instance_tcp_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
inline constexpr std::string_view default_instance = "MSSQLSERVER";
inline constexpr std::string_view tcp_port = "TcpPort";
inline constexpr std::string_view tcp_dynamic_ports = "TcpDynamicPorts";
inline constexpr std::string_view ip1 = "\\IP1";
inline constexpr std::string_view ipall = "\\IPALL";
// The sub-keys the port is written in, in this order; no other is touched.
inline constexpr std::array<std::string_view, 5> tcp_sub_keys = {"\\IP1", "\\IP2", "\\IP3", "\\IP4",
                                                                 "\\IPALL"};
// A stored port of 0: no fixed port.
inline constexpr std::string_view no_port = "0";

// SQL Server 2000: the instance that answers, "MSSQLServer" for the default one.
inline constexpr std::string_view active_server_key =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Microsoft SQL Server\\";
inline constexpr std::string_view active_server = "SsrpActiveServer";
inline constexpr std::string_view active_default_instance = "MSSQLServer";

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
inline constexpr std::string_view port_configured = "数据库服务器端口配置成功，请下一步进入数据库安装过程!";
inline constexpr std::string_view port_not_answering =
    "端口已写入，但数据库服务未在新端口上响应，请检查SQL Server服务！";

}  // namespace setup::service_names
