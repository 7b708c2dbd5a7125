// The install subsystem's names, each declared once: the texts the operator sees, the fixed
// statements, the files and the logins. Statements that carry input are built in sql_statements.h;
// the install mark's registry keys and the rows of t_sys_system are in system_flags.h, the special
// operation password in password_gate.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/product_codes.h"

namespace setup {

// The connection.
inline constexpr std::string_view install_dbms = "MSS Microsoft SQL Server 2000";
inline constexpr std::string_view admin_login = "sa";
inline constexpr std::string_view master_database = "master";
// A login the product's maintenance tools use, on every server the wizard installs.
inline constexpr std::string_view maintenance_login = "QRVXPub";
inline constexpr std::string_view maintenance_password = "MornTideQuill";

// Database-name suffixes of the franchise headquarters edition.
inline constexpr std::string_view join_suffix = "_join";
inline constexpr std::string_view branch_suffix = "_branch";

// Files.
inline constexpr std::array<std::string_view, 2> client_libraries = {"ntwdblib.dll", "msvcr71.dll"};
// The backup's copy on the server's own drive, where the server can read it whatever the medium.
inline constexpr std::string_view temporary_backup_file = "c:\\ur_dbsetup_temp.dat";
// The safety backup of a database about to be replaced: <data folder>\<name> + this + the local
// date and time + ".bak".
inline constexpr std::string_view safety_backup_infix = "_before_setup_";
inline constexpr std::string_view safety_backup_time_picture = "yyyymmdd_hhnnss";
inline constexpr std::string_view safety_backup_extension = ".bak";
// The logical-name suffixes of the product backup's files, and the restored files' name suffixes.
inline constexpr std::string_view logical_log_suffix = "_Log";
inline constexpr std::string_view logical_data_suffix = "_Data";
inline constexpr std::string_view log_file_suffix = "_Log.LDF";
inline constexpr std::string_view data_file_suffix = "_Data.MDF";

// Fixed statements.
inline constexpr std::string_view database_exists_sql =
    "select name from master.dbo.sysdatabases where name = ?";
inline constexpr std::string_view login_exists_sql = "select sid from master.dbo.syslogins where name = ?";
inline constexpr std::string_view database_id_sql = "select dbid from master.dbo.sysdatabases where name = ?";
// Every file of every database of the server: the database's id, the file's path, its size in pages of
// 8 KiB. SQL Server 2000 lists them in sysaltfiles, later ones in sys.master_files.
inline constexpr std::string_view server_files_sql_2000 =
    "select dbid, filename, size from master.dbo.sysaltfiles";
inline constexpr std::string_view server_files_sql =
    "select database_id, physical_name, size from sys.master_files";
inline constexpr std::uint64_t page_bytes = 8192;
// FILELISTONLY's columns.
inline constexpr std::string_view backup_logical_name_column = "LogicalName";
inline constexpr std::string_view backup_size_column = "Size";
inline constexpr std::string_view allow_updates_on_sql = "sp_configure 'allow updates',1";
inline constexpr std::string_view allow_updates_off_sql = "sp_configure 'allow updates',0";
inline constexpr std::string_view reconfigure_sql = "RECONFIGURE WITH OVERRIDE";
// The server roles of the product login, in the order they are granted; the maintenance login gets
// the first.
inline constexpr std::array<std::string_view, 3> product_login_roles = {"sysadmin", "securityadmin",
                                                                        "serveradmin"};
// The options sp_dboption sets on the restored database before SQL Server 2012.
inline constexpr std::array<std::string_view, 2> database_options = {"trunc. log", "bulkcopy"};

// The progress label st_dis, stage by stage.
inline constexpr std::string_view label_connecting = "连接 SQL Server 数据库...";
inline constexpr std::string_view label_safety_backup_before = "备份原数据库到[";
inline constexpr std::string_view label_safety_backup_after = "]...";
inline constexpr std::string_view label_dropping = "删除旧数据...";
inline constexpr std::string_view label_new_login = "新建 LOGINID";
inline constexpr std::string_view label_reconnecting = "重新连接数据库";
inline constexpr std::string_view label_copying_backup = "复制备份文件...";
inline constexpr std::string_view label_restoring = "装入业务数据库...";
inline constexpr std::string_view label_checking_backup = "检查备份文件...";
inline constexpr std::string_view label_putting_back = "恢复原数据库...";
inline constexpr std::string_view earlier_backup_before = "发现以前安装留下的原数据库备份：[";
inline constexpr std::string_view earlier_backup_after = "]";
// After the label of a stage that reports its progress: a blank, the percent done and "%".
inline constexpr std::string_view percent_before = " ";
inline constexpr std::string_view percent_after = "%";
// The server's progress of a restore WITH STATS: "N percent processed.".
inline constexpr long restore_progress_message = 3211;
inline constexpr std::string_view label_configuring = "修改配置...";
inline constexpr std::string_view label_reconnecting_to_database = "重连接...";
inline constexpr std::string_view label_default_database = "改变缺省库...";
inline constexpr std::string_view label_database_options = "修改数据库选项...";
inline constexpr std::string_view label_done = "数据库建立成功！";

// Messages. Those in two parts take the variable text between them.
inline constexpr std::string_view hint_caption = "提示";
inline constexpr std::string_view copy_failed_text = "拷贝文件失败!";
inline constexpr std::string_view cannot_connect_text = "不能连接到数据库, \n错误:";
inline constexpr std::string_view password_refused_before = "已存在";
inline constexpr std::string_view password_refused_after =
    "数据库。\n"
    "为保证数据安全性，你必须退回上一页面，\n"
    "输入正确的特殊操作密码，才能继续操作。\n"
    "特殊密码可向代理商或我公司索取！";
inline constexpr std::string_view confirm_drop_before = "已存在";
inline constexpr std::string_view confirm_drop_after = "数据库，本操作将删除所有数据，是否继续?";
inline constexpr std::string_view temporary_delete_failed_before =
    "临时文件删除失败，请手工删除服务器上名为[";
inline constexpr std::string_view temporary_delete_failed_after = "]的特殊文件";
inline constexpr std::string_view temporary_copy_failed_before =
    "临时文件读写失败，请检查：\n"
    "1. 服务器C:盘下是否有20M以上空间\n"
    "2. 安装盘是否损坏\n"
    "3. 服务器上是否存在名为[";
inline constexpr std::string_view temporary_copy_failed_after = "]的特殊文件";
inline constexpr std::string_view install_failed_before = "数据库处理失败, \n错误:(";
inline constexpr std::string_view install_failed_after = ")";
// The line added to every failure message once the old database has been backed up.
inline constexpr std::string_view safety_backup_note_before = "\n原数据库已备份到[";
inline constexpr std::string_view safety_backup_note_after = "]";
// After a failure that came after the drop: the old database restored from its safety backup, or not.
inline constexpr std::string_view put_back_note = "\n原数据库已从备份恢复，数据未丢失。";
inline constexpr std::string_view put_back_failed_before = "\n原数据库未能自动恢复，请在SQL Server上执行：";
// The checks before anything is dropped.
inline constexpr std::string_view backup_unusable_before =
    "安装盘上的备份文件无法在此SQL Server上还原, \n错误:(";
inline constexpr std::string_view logical_names_before =
    "安装盘上的备份文件不是本产品的数据库备份：需要逻辑文件[";
inline constexpr std::string_view logical_names_between = "]和[";
inline constexpr std::string_view logical_names_held = "]，备份文件中为[";
inline constexpr std::string_view logical_names_after = "]。";
inline constexpr std::string_view file_in_the_way_before = "数据目录中已有文件[";
inline constexpr std::string_view file_in_the_way_after =
    "]，它不属于本服务器上的任何数据库（可能是已分离的客户数据库）。\n为保护其中的数据，安装已停止：请移走该"
    "文件或选择其它数据目录。";
inline constexpr std::string_view no_room_before = "数据目录所在磁盘空间不足：需要 ";
inline constexpr std::string_view no_room_between = " MB，可用 ";
inline constexpr std::string_view no_room_after = " MB。";
inline constexpr std::string_view install_succeeded_text = "数据库建立成功！";
// The install log, named in every failure message and, when the install ends, in st_dis.
inline constexpr std::string_view log_note_before = "\n安装日志：[";
inline constexpr std::string_view log_note_after = "]";
inline constexpr std::string_view label_log_before = "  安装日志：";

// The page-4 buttons.
inline constexpr std::string_view data_transfer_missing_text = "未找到数据传输服务程序文件,请联系程序提供商!";
inline constexpr std::string_view information_system_missing_text =
    "未找到信息系统程序文件,请联系程序提供商!";
inline constexpr std::string_view auto_upgrade_missing_text = "未找到自动升级系统程序文件,请联系程序提供商!";
inline constexpr std::string_view install_mcs_question = "是否马上安装门店通讯服务程序（MCS）？";
inline constexpr std::string_view information_system_program = "automess.exe";
inline constexpr std::string_view auto_upgrade_program = "auto_up.exe";
inline constexpr std::string_view data_transfer_program_qvxtekprov3 = "tekprov3_Service.exe";
inline constexpr std::string_view data_transfer_program_qvxlov10 = "lo10_Service.exe";

}  // namespace setup
