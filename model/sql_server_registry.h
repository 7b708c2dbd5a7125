// Where SQL Server keeps what the wizard reads and writes in the registry: every key and value name of
// SQL Server 2000 to 2012 that the program uses, spelled as the program uses them (registry paths
// compare without regard to case). Full paths begin "HKEY_LOCAL_MACHINE\"; the registry library's
// reads take the root and the sub-key apart. The 32-bit installations of a 64-bit Windows keep the
// same keys under "Wow6432Node".
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace setup::sql_registry {

inline constexpr std::string_view root = "HKEY_LOCAL_MACHINE";
inline constexpr std::string_view root_prefix = "HKEY_LOCAL_MACHINE\\";

// The computer's NetBIOS name.
inline constexpr std::string_view computer_name_key =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
inline constexpr std::string_view computer_name_subkey =
    "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
inline constexpr std::string_view computer_name_value = "ComputerName";

// 64-bit Windows: the Windows NT key of the 32-bit view, which only a 64-bit Windows has.
inline constexpr std::string_view windows_nt_32bit_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion";
inline constexpr std::string_view windows_nt_path_value = "PathName";

// SQL Server 2005 and later: the instances (value name: instance name; data: instance id), and under
// each instance id its setup and TCP keys.
inline constexpr std::string_view instance_names_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
inline constexpr std::string_view instance_names_subkey_64 =
    "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
inline constexpr std::string_view instance_names_subkey_32 =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
inline constexpr std::string_view sql_server_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
inline constexpr std::string_view sql_server_key_32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\";
inline constexpr std::string_view setup_suffix = "\\Setup";
inline constexpr std::string_view tcp_suffix = "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
inline constexpr std::string_view default_instance_name = "MSSQLSERVER";
inline constexpr std::string_view express_instance_name = "SQLEXPRESS";

// An instance's TCP settings: SQL Server 2005 and later keep the port in the IPn and IPALL sub-keys,
// SQL Server 2000 directly under the key. The port page writes these sub-keys, in this order, and no
// other.
inline constexpr std::string_view tcp_port_value = "TcpPort";
inline constexpr std::string_view tcp_dynamic_ports_value = "TcpDynamicPorts";
// SQL Server 2005 and later: DWORD under the TCP key itself, 0 when TCP/IP is disabled (Express's setup).
inline constexpr std::string_view tcp_enabled_value = "Enabled";
inline constexpr std::string_view tcp_ip1 = "\\IP1";
inline constexpr std::string_view tcp_ipall = "\\IPALL";
inline constexpr std::array<std::string_view, 5> tcp_sub_keys = {"\\IP1", "\\IP2", "\\IP3", "\\IP4",
                                                                 "\\IPALL"};

// Values of a setup key.
inline constexpr std::string_view sql_path_value = "SQLPath";
inline constexpr std::string_view sql_data_root_value = "SQLDataRoot";
inline constexpr std::string_view sql_bin_root_value = "SQLBinRoot";

// SQL Server 2000: the active instance ("MSSQLServer" for the default one), the default instance's
// keys, and a named instance's keys under its name ("\setup" as the 64-bit search spells it).
inline constexpr std::string_view sql2000_active_key =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Microsoft SQL Server\\";
inline constexpr std::string_view sql2000_active_subkey_64 = "Software\\Microsoft\\Microsoft SQL Server";
inline constexpr std::string_view sql2000_active_subkey_32 =
    "Software\\Wow6432Node\\Microsoft\\Microsoft SQL Server";
inline constexpr std::string_view sql2000_active_value = "SsrpActiveServer";
inline constexpr std::string_view sql2000_active_default = "MSSQLServer";
inline constexpr std::string_view sql2000_default_setup_key =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\MSSQLServer\\Setup";
inline constexpr std::string_view sql2000_default_setup_key_32 =
    "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\MSSQLServer\\Setup";
inline constexpr std::string_view sql2000_default_tcp_key =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
inline constexpr std::string_view sql2000_default_tcp_key_32 =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
inline constexpr std::string_view sql2000_named_setup_suffix = "\\setup";

// The setup key of an instance id, and the TCP key of an instance id (2005 and later) or of a SQL
// Server 2000 instance name; `in_32bit_view` spells the Wow6432Node path.
inline std::string setup_key(std::string_view instance_id, bool in_32bit_view = false) {
  return std::string(in_32bit_view ? sql_server_key_32 : sql_server_key) + std::string(instance_id) +
         std::string(setup_suffix);
}
inline std::string tcp_key(std::string_view instance, bool in_32bit_view = false) {
  return std::string(in_32bit_view ? sql_server_key_32 : sql_server_key) + std::string(instance) +
         std::string(tcp_suffix);
}

// Files below the folders the registry names.
inline constexpr std::string_view program_in_setup_folder = "\\Binn\\sqlservr.exe";
inline constexpr std::string_view program_in_bin_folder = "\\sqlservr.exe";
inline constexpr std::string_view data_folder_in_data_root = "\\Data";

}  // namespace setup::sql_registry
