// The install button against the simulated server: what the operator is told, what st_dis shows,
// and what the server holds afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "tests/install/install_machine.h"

namespace setup::test {
namespace {

using sqlsim::server_version;
using arrange_fn = std::function<void(install_machine&)>;
constexpr server_version v2000 = server_version::v2000;
constexpr server_version v2008 = server_version::v2008;

constexpr const char* temporary = "c:\\ur_dbsetup_temp.dat";
constexpr const char* safety_backup = "C:\\sqldata\\qvxlov9_before_setup_20261209_103005.bak";
constexpr const char* done = "数据库建立成功！";
const sqlsim::server_message injected{50000, 1, 16, "injected"};
const std::string name_refused = "数据库名称不能包含字符 \\ / : * ? \" < > |！";
const std::string name_empty = "请输入数据库名称！";
const std::string refusal =
    "已存在qvxlov9数据库。\n为保证数据安全性，你必须退回上一页面，\n输入正确的特殊操作密码，才能继续操作。\n"
    "特殊密码可向代理商或我公司索取！";
const std::string copy_failed =
    "临时文件读写失败，请检查：\n1. 服务器C:盘下是否有20M以上空间\n2. 安装盘是否损坏\n"
    "3. 服务器上是否存在名为[c:\\ur_dbsetup_temp.dat]的特殊文件";

std::string failed(long number, const std::string& text) {
  return "数据库处理失败, \n错误:(" + std::to_string(number) + ")" + text;
}
const std::string injected_failure = failed(50000, "injected");
const std::string put_back_note = "\n原数据库已从备份恢复，数据未丢失。";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

// The server after a fresh install of the default product.
std::string fresh_dump(server_version v) {
  const char* builds[] = {"8.00.2039", "9.00.5000", "10.00.5500", "11.00.5058"};
  std::string dump = R"(server version @V (@B)
configuration 'allow updates' config 0 run 0
configuration 'show advanced options' config 0 run 0

database 'master' system
database 'model' system
database 'msdb' system
database 'qvxlov9' ONLINE recovery SIMPLE 'trunc. log on chkpt.' on 'select into/bulkcopy' on
  file data 'qvxlov9_Data' 'C:\sqldata\qvxlov9_Data.MDF'
  file log 'qvxlov9_Log' 'C:\sqldata\qvxlov9_Log.LDF'
  user 'dbo' 0x01
  user 'qvxlov9' 0x53514C53494D2D4C4F47494E00000001
  t_sys_system 'Is_Distributed' '连锁总部' '1' ''
  t_sys_system 'product_flag' 'product_flag' '1' NULL
  t_sys_system 'sys_version' '版本' '9.0' NULL
database 'tempdb' system

login 'QRVXPub' sid 0x53514C53494D2D4C4F47494E00000002 default 'master' roles sysadmin
login 'qvxlov9' sid 0x53514C53494D2D4C4F47494E00000001 default 'qvxlov9' roles securityadmin serveradmin sysadmin
login 'sa' sid 0x01 default 'master' roles sysadmin
)";
  const int version = static_cast<int>(v);
  dump = replaced(replaced(dump, "@V", std::to_string(version)), "@B",
                  builds[version == 2000 ? 0 : (version - 2004) / 4 + 1]);
  // Only 2000 maps the restored user onto the new login; 2012 restores the backup of its own name.
  if (v != v2000)
    dump = replaced(dump, "user 'qvxlov9' 0x53514C53494D2D4C4F47494E00000001", "user 'qvxlov9' 0xAABBCCDD");
  if (v == server_version::v2012) {
    dump = replaced(dump, "SIMPLE 'trunc. log on chkpt.' on", "BULK_LOGGED 'trunc. log on chkpt.' off");
    dump = replaced(replaced(dump, "'qvxlov9_Data'", "'qvxlov9_2012_Data'"), "'qvxlov9_Log'",
                    "'qvxlov9_2012_Log'");
  }
  return dump;
}

class FreshInstall : public ::testing::TestWithParam<server_version> {};

TEST_P(FreshInstall, RestoresTheDatabaseWithItsLoginsOptionsRowsAndMark) {
  install_machine im(GetParam());
  im.open();
  ASSERT_TRUE(im.install());
  EXPECT_EQ(im.dump(), fresh_dump(GetParam()));
  std::vector<std::string> labels = {"连接 SQL Server 数据库...", "新建 LOGINID",         "重新连接数据库",
                                     "复制备份文件... 0%",        "复制备份文件... 100%", "检查备份文件...",
                                     "装入业务数据库..."};
  // Each step of the restore's STATS, as the server reports it.
  for (int percent = 10; percent <= 100; percent += 10)
    labels.push_back("装入业务数据库... " + std::to_string(percent) + "%");
  if (GetParam() == v2000) labels.push_back("修改配置...");
  labels.insert(labels.end(), {"重连接...", "改变缺省库...", "修改数据库选项...", done});
  EXPECT_EQ(im.labels.texts, labels);
  EXPECT_EQ(im.messages(), std::vector<std::string>{done});
  EXPECT_EQ(im.m.ui.history().back().title, "澜拓专卖店澜拓专卖店");
  EXPECT_EQ(im.m.fs.content("C:\\Windows\\SysWOW64\\msvcr71.dll"), "msvcr71.dll");
  EXPECT_FALSE(im.m.fs.FileExists(temporary));
  EXPECT_FALSE(im.sqlca.connected());
  EXPECT_FALSE(im.w->cb_next.enabled());
  EXPECT_EQ(
      im.m.reg.string_value("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\qrvxSetup\\qrvxlo\\9.0", "qvxlov9"),
      "总店");
  EXPECT_FALSE(im.m.reg.key_exists("HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup"));
  sqlsim::session product;
  EXPECT_FALSE(im.server.login(product, "qvxlov9", im.w->state.gs_logpass, "").has_value());
  EXPECT_EQ(product.database, "qvxlov9");
}

INSTANTIATE_TEST_SUITE_P(Versions, FreshInstall,
                         ::testing::Values(v2000, server_version::v2005, v2008, server_version::v2012),
                         [](const auto& info) {
                           return "sql" + std::to_string(static_cast<int>(info.param));
                         });

// Installing again over the customer's database.
struct reinstall_case {
  const char* name;
  const char* special_password;
  int answer;  // to the deletion question; 0: none is asked
  arrange_fn arrange;
  std::vector<std::string> messages;
  enum { unchanged, replaced, put_back } result;
};

void PrintTo(const reinstall_case& c, std::ostream* os) {
  *os << c.name;
}

class Reinstall : public ::testing::TestWithParam<reinstall_case> {};

TEST_P(Reinstall, LeavesTheCustomersDatabaseOrItsSafetyBackup) {
  const reinstall_case& c = GetParam();
  install_machine im;
  im.open();
  ASSERT_TRUE(im.install());
  im.run(
      "update qvxlov9.dbo.t_sys_system set sys_var_value = N'客户的数据' where sys_var_id = 'sys_version'");
  const std::string before = im.dump();
  const std::size_t shown = im.m.ui.history().size();
  im.labels.texts.clear();
  im.w->cb_prev.set_enabled(true);
  im.w->sle_pass1.set_text(c.special_password);
  if (c.answer) im.m.ui.yes_no_answers.push_back(c.answer);
  if (c.arrange) c.arrange(im);

  EXPECT_EQ(im.install(), c.result == reinstall_case::replaced);
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  for (std::size_t i = shown; i < im.m.ui.history().size(); ++i) {
    const auto& box = im.m.ui.history()[i];
    (box.kind == "message" ? messages : questions).push_back(box.text);
  }
  EXPECT_EQ(messages, c.messages);
  EXPECT_EQ(questions, c.answer
                           ? std::vector<std::string>{"已存在qvxlov9数据库，本操作将删除所有数据，是否继续?"}
                           : std::vector<std::string>{});
  EXPECT_FALSE(im.sqlca.connected());
  if (c.result == reinstall_case::unchanged) {
    EXPECT_EQ(im.dump(), before);
    return;
  }
  // Everything that can refuse comes before the drop.
  EXPECT_EQ(std::vector<std::string>(im.labels.texts.begin() + 1, im.labels.texts.begin() + 7),
            (std::vector<std::string>{
                "复制备份文件... 0%", "复制备份文件... 100%", "重新连接数据库", "检查备份文件...",
                std::string("备份原数据库到[") + safety_backup + "]...", "删除旧数据..."}));
  // Put back after a failure, or replaced.
  EXPECT_EQ(im.database().find("客户的数据") != std::string::npos, c.result == reinstall_case::put_back);
  if (c.result == reinstall_case::put_back) return;
  // The safety backup gives the customer's database back: its files, users and rows. (The simulated
  // server's backup keeps the recovery model, not the two options that make it.)
  im.run(std::string("RESTORE DATABASE [qvxlov9] FROM DISK = N'") + safety_backup + "' WITH REPLACE");
  const auto contents = [](const std::string& part) { return part.substr(part.find('\n')); };
  EXPECT_EQ(contents(im.database()), contents(database_part(before, "qvxlov9")));
}

arrange_fn failing(std::string pattern) {
  return [pattern](install_machine& im) { im.server.fail_matching(pattern, injected); };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Reinstall, ::testing::Values(
    reinstall_case{"GateRefusesAnEmptyPassword", "", 0, nullptr, {refusal}, reinstall_case::unchanged},
    reinstall_case{"GateRefusesYesterdaysPassword", "20261208", 0, nullptr, {refusal}, reinstall_case::unchanged},
    reinstall_case{"NoKeepsIt", " 20261209 ", answer_no, nullptr, {}, reinstall_case::unchanged},
    reinstall_case{"YesReplacesIt", "20261209", answer_yes, nullptr, {done}, reinstall_case::replaced},
    reinstall_case{"MissingBackupFile", "20261209", answer_yes,
                   [](install_machine& im) { im.w->sle_backupdata.set_text("D:\\qvxlov9"); }, {copy_failed},
                   reinstall_case::unchanged},
    reinstall_case{"LeftoverTemporaryFileThatCannotBeDeleted", "20261209", answer_yes,
                   [](install_machine& im) { im.m.fs.add_file(temporary, "old"); im.m.fs.lock(temporary); },
                   {"临时文件删除失败，请手工删除服务器上名为[c:\\ur_dbsetup_temp.dat]的特殊文件"},
                   reinstall_case::unchanged},
    reinstall_case{"EmptyDataFolder", "20261209", answer_yes,
                   [](install_machine& im) { im.w->state.is_datapath = ""; },
                   {"请选择SQL Server数据安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data"},
                   reinstall_case::unchanged},
    reinstall_case{"FailingSafetyBackup", "20261209", answer_yes, failing("BACKUP DATABASE"), {injected_failure},
                   reinstall_case::unchanged},
    reinstall_case{"RestoreFailingAfterTheDrop", "20261209", answer_yes, failing("RESTORE DATABASE"),
                   {injected_failure + "\n原数据库已备份到[" + safety_backup + "]" + put_back_note},
                   reinstall_case::put_back}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// A reinstall that fails at one step after the operator's Yes: before the drop nothing is changed, after
// it the old database is put back; either way the server holds the customer's rows and the connection is
// closed. Only when the put-back fails too is the database gone, and the message says how to restore it.
TEST(Reinstall, NoFailureAfterTheYesLosesTheCustomersDatabase) {
  const std::string kept = injected_failure + "\n原数据库已备份到[" + safety_backup + "]";
  const std::string back = kept + put_back_note;
  const std::string unusable = "安装盘上的备份文件无法在此SQL Server上还原, \n错误:(50000)injected";
  struct row {
    const char* name;
    server_version version;
    std::function<void(install_machine&)> arrange;
    std::vector<std::string> messages;
    bool database_there = true;
  };
  const auto fault = [](std::vector<std::string> patterns) {
    return [patterns](install_machine& im) {
      for (const std::string& p : patterns) im.server.fail_matching(p, injected);
    };
  };
  const std::vector<row> rows = {
      {"product login check", v2008, fault({"syslogins"}), {injected_failure}},
      {"password reset", v2008, fault({"sp_password"}), {injected_failure}},
      {"the product login's password changed on 2000",
       v2000,
       [](install_machine& im) { im.run("sp_password NULL, 'changed', 'qvxlov9'"); },
       {failed(18456, "Login failed for user 'qvxlov9'.")}},
      {"a backup of other logical names",
       v2008,
       [](install_machine& im) { im.w->state.gs_logicdbname = "other"; },
       {"安装盘上的备份文件不是本产品的数据库备份：需要逻辑文件[other_Data]和[other_Log]，备份文件中为["
        "qvxlov9_Data, "
        "qvxlov9_Log]。"}},
      {"file list", v2008, fault({"FILELISTONLY"}), {unusable}},
      {"verify", v2008, fault({"VERIFYONLY"}), {unusable}},
      {"server's files", v2008, fault({"master_files"}), {injected_failure}},
      {"server's files on 2000", v2000, fault({"sysaltfiles"}), {injected_failure}},
      {"safety backup", v2008, fault({"BACKUP DATABASE"}), {injected_failure}},
      {"database id", v2008, fault({"select dbid"}), {kept}},
      {"default database master", v2008, fault({"N'master'"}), {kept}},
      {"drop", v2008, fault({"Drop DATABASE"}), {kept}},
      {"restore", v2008, fault({"MOVE N'"}), {back}},
      {"restore on 2000", v2000, fault({"MOVE N'"}), {back}},
      {"login mapping on 2000", v2000, fault({"sysusers"}), {back}},
      {"default database", v2008, fault({"N'qvxlov9', N'qvxlov9'"}), {back}},
      {"trunc. log option", v2008, fault({"trunc. log"}), {back}},
      {"bulkcopy option", v2008, fault({"N'bulkcopy'"}), {back}},
      {"product flag", v2008, fault({"Values ( 'product_flag'"}), {"injected", back}},
      {"restore, and the put-back too",
       v2008,
       fault({"MOVE N'", " WITH REPLACE"}),
       {kept + "\n原数据库未能自动恢复，请在SQL Server上执行：RESTORE DATABASE [qvxlov9] FROM DISK = N'" +
        safety_backup + "' WITH REPLACE"},
       false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    install_machine im(r.version);
    im.open();
    ASSERT_TRUE(im.install());
    im.run(
        "update qvxlov9.dbo.t_sys_system set sys_var_value = N'客户的数据' where sys_var_id = 'sys_version'");
    const std::size_t shown = im.m.ui.history().size();
    im.w->cb_prev.set_enabled(true);
    im.w->sle_pass1.set_text("20261209");
    im.m.ui.yes_no_answers.push_back(answer_yes);
    r.arrange(im);
    EXPECT_FALSE(im.install());
    std::vector<std::string> messages;
    for (std::size_t i = shown; i < im.m.ui.history().size(); ++i) {
      if (im.m.ui.history()[i].kind == "message") messages.push_back(im.m.ui.history()[i].text);
    }
    EXPECT_EQ(messages, r.messages);
    EXPECT_EQ(im.database().find("客户的数据") != std::string::npos, r.database_there) << im.dump();
    EXPECT_FALSE(im.sqlca.connected());
  }
}

// No database of the name, but safety backups of it that earlier failed runs left: the newest is named
// below each stage, to the end.
TEST(Reinstall, AnEarlierRunsSafetyBackupIsNamedWhenTheDatabaseIsGone) {
  install_machine im;
  im.open();
  for (const char* name :
       {"qvxlov9_before_setup_20261101_080000.bak", "QVXLOV9_before_setup_20261208_170000.bak",
        "qvxlov9_join_before_setup_20261209_090000.bak"})
    im.m.fs.add_file(std::string("C:\\sqldata\\") + name, "a backup");
  ASSERT_TRUE(im.install());
  const std::string note =
      "\n发现以前安装留下的原数据库备份：[C:\\sqldata\\QVXLOV9_before_setup_20261208_170000.bak]";
  EXPECT_EQ(im.labels.texts.at(1), "新建 LOGINID" + note);
  EXPECT_EQ(im.w->st_dis.text(), done + note);
}

// A fresh install with one input or one failing step: the messages, the connection closed, the
// temporary copy left only after a restore that failed, the catalog of SQL Server 2000 never left
// writable, and what the server holds.
struct install_case {
  const char* name;
  server_version version;
  const char* options;  // setup.ini
  arrange_fn arrange;
  std::vector<std::string> messages;
  std::vector<std::string> dump_lines;
  std::vector<std::string> rows;  // all of t_sys_system afterwards, when given
  bool temporary_left = false;
};

void PrintTo(const install_case& c, std::ostream* os) {
  *os << c.name;
}

class Install : public ::testing::TestWithParam<install_case> {};

TEST_P(Install, TellsTheOperatorAndLeavesTheServerAsItSays) {
  const install_case& c = GetParam();
  install_machine im(c.version);
  im.open(c.options);
  if (c.arrange) c.arrange(im);
  EXPECT_EQ(im.install(), c.messages.front() == done);
  EXPECT_EQ(im.messages(), c.messages);
  EXPECT_FALSE(im.sqlca.connected());
  // A refused name stops before the first stage.
  EXPECT_EQ(im.labels.texts.empty(), c.messages.front() == name_refused || c.messages.front() == name_empty);
  EXPECT_EQ(im.m.fs.FileExists(temporary), c.temporary_left);
  const std::string dump = im.dump();
  EXPECT_NE(dump.find("configuration 'allow updates' config 0 run 0\n"), std::string::npos);
  for (const std::string& line : c.dump_lines)
    EXPECT_NE(dump.find("\n" + line + "\n"), std::string::npos) << line;
  if (c.rows.empty()) return;
  std::vector<std::string> rows;
  const std::string part = im.database();
  for (std::size_t at = part.find("  t_sys_system "); at != std::string::npos;
       at = part.find("  t_sys_system ", at + 1)) {
    rows.push_back(part.substr(at + 15, part.find('\n', at) - at - 15));
  }
  EXPECT_EQ(rows, c.rows);
}

install_case succeeds(const char* name, server_version v, const char* options, arrange_fn arrange,
                      std::vector<std::string> dump_lines, std::vector<std::string> rows = {}) {
  return {name, v, options, std::move(arrange), {done}, std::move(dump_lines), std::move(rows)};
}
install_case fails(const char* name, server_version v, arrange_fn arrange, std::vector<std::string> messages,
                   bool temporary_left = false) {
  return {name, v, "", std::move(arrange), std::move(messages), {}, {}, temporary_left};
}
// The product login already there, with a password (empty: the product's) and sysadmin; then, when
// given, a failing statement.
arrange_fn login_present(std::string password, std::string then = "") {
  return [=](install_machine& im) {
    im.run("sp_addlogin 'qvxlov9', '" + (password.empty() ? im.w->state.gs_logpass : password) + "'");
    im.run("sp_addsrvrolemember 'qvxlov9', 'sysadmin'");
    if (!then.empty()) im.server.fail_matching(then, injected);
  };
}
arrange_fn edition(const char* button, const char* typed_name = "") {
  return [=](install_machine& im) {
    for (ui::control* b : {&im.w->rb_dd, &im.w->rb_zb, &im.w->rb_jmzb}) b->set_checked(b->name() == button);
    if (*typed_name) im.type_database_name(typed_name);
  };
}
// The medium's backup with one more row.
arrange_fn backup_row(sqlsim::backup_row row) {
  return [=](install_machine& im) {
    sqlsim::backup_image image = im.product_backup();
    image.rows.push_back(row);
    im.medium_backup(image);
  };
}
// Names and a password with every character that could end a name or a literal.
void unusual_names(install_machine& im) {
  im.type_database_name("店]'; x");
  im.w->state.gs_log = "lg]'; 店";
  im.w->state.gs_logpass = "p'w]; 密";
  im.medium_backup(im.product_backup());
}
// t_sys_system with an edition row (or none), the product flag and the backup's own row.
std::vector<std::string> flags(std::string edition_row, std::string flag = "1",
                               std::string flag_mark = "NULL") {
  std::vector<std::string> rows;
  if (!edition_row.empty()) rows.push_back(edition_row);
  rows.push_back("'product_flag' 'product_flag' '" + flag + "' " + flag_mark);
  rows.push_back("'sys_version' '版本' '9.0' NULL");
  return rows;
}
std::vector<std::string> with_first(std::string row, std::vector<std::string> rows) {
  rows.insert(rows.begin(), row);
  return rows;
}
std::string login_line(const std::string& name, const std::string& database, const std::string& roles) {
  return "login '" + name + "' sid 0x53514C53494D2D4C4F47494E0000000" + (name == "QRVXPub" ? "2" : "1") +
         " default '" + database + "' roles " + roles;
}
const std::string chain = "'Is_Distributed' '连锁总部' '1' ''";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, Install, ::testing::Values(
    // Names.
    succeeds("TypedNameKeepsTheBackupsLogicalNames", v2008, "", edition("rb_zb", "shop1"),
             {"  file data 'qvxlov9_Data' 'C:\\sqldata\\shop1_Data.MDF'"}),
    succeeds("FranchiseOfQvxtekprov3", v2008, "DataBase=qvxtekprov3\r\n", edition("rb_jmzb"),
             {"  file log 'qvxtekprov3_Log' 'C:\\sqldata\\qvxtekprov3_join_Log.LDF'"},
             flags("'Is_Distributed' '加盟总部' '3' ''")),
    succeeds("FranchiseNameWithTheSuffixAlready", v2008, "DataBase=qvxtekprov3\r\n", edition("rb_jmzb", "shop_join"),
             {"  file log 'qvxtekprov3_Log' 'C:\\sqldata\\shop_join_Log.LDF'"}),
    succeeds("BranchOfAnotherProduct", v2008, "DataBase=urmsv7\r\n", edition("rb_jmzb"),
             {"  file log 'urmsv7_Log' 'C:\\sqldata\\urmsv7_branch_Log.LDF'"}, flags("'Is_Distributed' '连锁分部' '2' ''")),
    succeeds("UnusualNames", v2000, "", unusual_names,
             {"  file log 'qvxlov9_Log' 'C:\\sqldata\\店]''; x_Log.LDF'", "  user 'lg]''; 店' 0x53514C53494D2D4C4F47494E00000001",
              login_line("lg]''; 店", "店]''; x", "securityadmin serveradmin sysadmin")}),
    fails("DatabaseNameWithAPathCharacter", v2008, edition("rb_zb", "..\\x"), {name_refused}),
    fails("EmptyDatabaseName", v2008, [](install_machine& im) { im.type_database_name(""); }, {name_empty}),
    // Logins already there: 2000 keeps them as they are; later versions reset the password, or the
    // product could not log in with its own.
    succeeds("ProductLoginOf2000", v2000, "", login_present(""), {login_line("qvxlov9", "qvxlov9", "sysadmin")}),
    fails("ProductLoginOf2000WithAnotherPassword", v2000, login_present("old"),
          {failed(18456, "Login failed for user 'qvxlov9'.")}),
    succeeds("ProductLoginOf2008WithAnotherPassword", v2008, "", login_present("old"),
             {login_line("qvxlov9", "qvxlov9", "sysadmin")}),
    succeeds("MaintenanceLoginPresent", v2008, "", [](install_machine& im) { im.run("sp_addlogin 'QRVXPub', 'x'"); },
             {"login 'QRVXPub' sid 0x53514C53494D2D4C4F47494E00000001 default 'master' roles (none)"}),
    // t_sys_system.
    succeeds("SingleStore", v2008, "DataBase=urmsv7\r\n", edition("rb_dd"), {}, flags("'Is_Distributed' '单店' '0' ''")),
    succeeds("SysTable1KeepsTheEditionRow", v2008, "DataBase=urmsv7\r\nsys_table=1\r\n",
             backup_row({"Is_Distributed", "连锁分部", "2", "k"}), {}, flags("'Is_Distributed' '连锁分部' '2' 'k'")),
    succeeds("SysTable2WritesNoEditionRow", v2008, "sys_table=2\r\n", nullptr, {}, flags("")),
    succeeds("PresentProductFlagIsUpdated", v2008, "Flag=3\r\n", backup_row({"product_flag", "product_flag", "1", "x"}),
             {}, flags(chain, "3", "'x'")),
    succeeds("CustomProductName", v2008, "DataBase=qvxtekprov3\r\nFlag=4\r\nProductName=  小店 \r\n", nullptr, {},
             with_first("'custom_product_name' 'custom_product_name' '小店' NULL", flags(chain, "4"))),
    succeeds("NoCustomNameWhenEmpty", v2008, "DataBase=qvxtekprov3\r\nFlag=4\r\nProductName=\r\n", nullptr, {},
             flags(chain, "4")),
    // qvxlov10 offers its data transfer service at once, Yes by default (the program is missing here),
    // and only after a success.
    install_case{"Qvxlov10EnablesTheDataTransfer", v2008, "DataBase=qvxlov10\r\n",
                 backup_row({"enabled_wcf", "enabled_wcf", "0", "v"}), {done, "未找到数据传输服务程序文件,请联系程序提供商!"},
                 {}, with_first("'enabled_wcf' 'enabled_wcf' '1' 'v'", flags(chain))},
    install_case{"Qvxlov10AnsweredNo", v2008, "DataBase=qvxlov10\r\n",
                 [](install_machine& im) { im.m.ui.yes_no_answers.push_back(answer_no); }, {done}},
    install_case{"Qvxlov10Failing", v2008, "DataBase=qvxlov10\r\n", failing("RESTORE DATABASE"), {injected_failure},
                 {}, {}, true},
    // A failing step.
    fails("WrongSaPassword", v2008, [](install_machine& im) { im.w->sle_pass.set_text("wrong"); },
          {"不能连接到数据库, \n错误:Login failed for user 'sa'."}),
    fails("ExistenceCheck", v2008, failing("sysdatabases"), {injected_failure}),
    fails("LoginCheck", v2008, failing("syslogins"), {injected_failure}),
    // The seventh statement of a fresh install is the maintenance login's check.
    fails("MaintenanceLoginCheck", v2008, [](install_machine& im) { im.server.fail_statement(7, injected); },
          {injected_failure}),
    fails("PasswordReset", v2008, login_present("old", "sp_password"), {injected_failure}),
    fails("DefaultDatabaseMaster", v2008, login_present("old", "N'master'"), {injected_failure}),
    fails("BackupFileMissing", v2008, [](install_machine& im) { im.w->sle_backupdata.set_text("C:\\setup\\none"); },
          {copy_failed}),
    fails("Restore", v2008, failing("RESTORE DATABASE"), {injected_failure}, true),
    // The backup is checked before the restore: its logical names, then the whole of it.
    fails("RestoreOfALogicalNameTheBackupLacks", v2008, [](install_machine& im) { im.w->state.gs_logicdbname = "other"; },
          {"安装盘上的备份文件不是本产品的数据库备份：需要逻辑文件[other_Data]和[other_Log]，备份文件中为[qvxlov9_Data, "
           "qvxlov9_Log]。"}, true),
    fails("BackupOfANewerServer", v2008, [](install_machine& im) {
            sqlsim::backup_image image = im.product_backup();
            image.server = server_version::v2012;
            im.medium_backup(image);
          }, {"安装盘上的备份文件无法在此SQL Server上还原, \n错误:(3169)The database was backed up on a server running "
              "version 11.00.5058. That version is incompatible with this server, which is running version 10.00.5500. "
              "Either restore the database on a server that supports the backup, or use a backup that is compatible "
              "with this server."}, true),
    fails("VerifyOnly", v2008, failing("VERIFYONLY"),
          {"安装盘上的备份文件无法在此SQL Server上还原, \n错误:(50000)injected"}, true),
    fails("ADetachedDatabasesFileWhereTheRestoreWrites", v2008,
          [](install_machine& im) { im.m.fs.add_file("C:\\sqldata\\qvxlov9_Log.LDF", "a detached database"); },
          {"数据目录中已有文件[C:\\sqldata\\qvxlov9_Log.LDF]，它不属于本服务器上的任何数据库（可能是已分离的客户数据库）。\n"
           "为保护其中的数据，安装已停止：请移走该文件或选择其它数据目录。"}, true),
    fails("NoRoom", v2008, [](install_machine& im) { im.m.fs.free_space = 1024; },
          {"数据目录所在磁盘空间不足：需要 2 MB，可用 0 MB。"}, true),
    fails("AllowUpdatesOf2000", v2000, failing("'allow updates',1"), {injected_failure}),
    fails("ReconfigureOf2000", v2000, failing("RECONFIGURE"), {injected_failure}),
    fails("LoginMappingOf2000", v2000, failing("sysusers"), {injected_failure}),
    fails("AllowUpdatesOffOf2000", v2000, failing("'allow updates',0"), {injected_failure}),
    fails("DefaultDatabase", v2008, failing("sp_defaultdb"), {injected_failure}),
    fails("TruncateLogOption", v2008, failing("trunc. log"), {injected_failure}),
    fails("BulkcopyOption", v2008, failing("N'bulkcopy'"), {injected_failure}),
    fails("RecoveryOf2012", server_version::v2012, failing("SET RECOVERY"), {injected_failure}),
    fails("ProductFlag", v2008, failing("Values ( 'product_flag'"), {"injected", injected_failure})),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(InstallTrace, HoldsNoPasswordEvenInsideAFailedStatement) {
  install_machine im;
  im.open();
  im.w->state.gs_logpass = "it's secret";
  im.server.fail_matching("sp_addlogin N'qvxlov9'", injected);
  EXPECT_FALSE(im.install());
  ASSERT_FALSE(im.m.log.lines().empty());
  for (const std::string& line : im.m.log.lines()) {
    EXPECT_EQ(line.find("secret"), std::string::npos) << line;
    EXPECT_EQ(line.find(sa_password), std::string::npos) << line;
  }
}

// An install, a reinstall past the special password and a failed one, each with its log: the end of
// each install names the log in st_dis, a failure's message names it last, and no password is in it.
TEST(InstallLog, NamesItselfAtTheEndAndHoldsNoPassword) {
  const std::string log = "C:\\Temp\\server_setup_20261209_103005.log";
  install_machine im;
  im.m.fs.add_directory("C:\\Temp");
  im.m.log.keep_in(log, im.m.fs.CreateForWriting(log, false), im.m.time);
  im.open();
  const std::string note = "  安装日志：" + log;
  ASSERT_TRUE(im.install());
  EXPECT_EQ(im.w->st_dis.text(), std::string(done) + note);

  im.w->sle_pass1.set_text(" 20261209 ");
  im.m.ui.yes_no_answers.push_back(answer_yes);
  im.w->cb_prev.set_enabled(true);
  ASSERT_TRUE(im.install());

  im.server.fail_matching("MOVE N'", injected);
  im.m.ui.yes_no_answers.push_back(answer_yes);
  im.w->cb_prev.set_enabled(true);
  EXPECT_FALSE(im.install());
  EXPECT_EQ(im.m.ui.history().back().text, injected_failure + "\n原数据库已备份到[" + safety_backup + "]" +
                                               put_back_note + "\n安装日志：[" + log + "]");
  EXPECT_EQ(im.w->st_dis.text(), "恢复原数据库..." + note);

  const std::string text = im.m.fs.content(log).value_or("");
  std::size_t at = 0;
  for (const char* event :
       {"label st_dis: 连接 SQL Server 数据库...", "connect to server", "sql: RESTORE DATABASE",
        "registry write 32-bit view", "message \"澜拓专卖店澜拓专卖店\": 数据库建立成功！ -> OK",
        "install ended: database qvxlov9 installed", "label st_dis: 数据库建立成功！  安装日志：(this log)",
        "special operation password ***: accepted", "sql: BACKUP DATABASE", "sql: Drop DATABASE",
        "sql: RESTORE DATABASE [qvxlov9] FROM DISK = N'C:\\sqldata\\qvxlov9_before_setup_",
        "install: qvxlov9 put back from", "install ended without a new database: 数据库处理失败"}) {
    at = text.find(event, at);
    EXPECT_NE(at, std::string::npos) << event;
  }
  for (const std::string& password : {std::string(sa_password), im.w->state.gs_logpass,
                                      std::string("MornTideQuill"), std::string(" 20261209 ")}) {
    EXPECT_EQ(text.find(password), std::string::npos) << password << "\n" << text;
  }
}

}  // namespace
}  // namespace setup::test
