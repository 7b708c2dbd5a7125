#include "platform/journal.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/memory/memory_database.h"
#include "platform/memory/memory_platform.h"

namespace setup {
namespace {

// A machine and a server answering from a script, seen through the journal as the program sees them.
struct journaled_machine {
  journaled_machine() {
    m.fs.add_file("D:\\setup\\qvxlov9", "backup");
    m.fs.add_directory("C:\\data");
    m.reg.create_key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\qrvxSetup");
    m.ui.yes_no_answers.push_back(answer_no);
    m.proc.exit_codes = {2};
    m.net.hosts["SERVER1"] = {0x0100007F};
    server.on("select name", {.value = "qvxlov9"});
    server.on("RESTORE", {.messages = {{3211, "10 percent processed."}}});
    server.on("sp_addlogin", {.sqlcode = sql_error, .sqldbcode = 15025, .sqlerrtext = "The login exists."});
    server.connect_replies.push_back(
        {.sqlcode = sql_error, .sqldbcode = 18456, .sqlerrtext = "Login failed."});
  }
  memory_platform m;
  memory_transaction server;
  journaled_platform journal{m.sys};
  journal_transaction sqlca{server, m.log};
};

TEST(Journal, WritesEachOperationWithItsOutcomeAndNoPassword) {
  struct row {
    const char* name;
    std::function<void(journaled_machine&)> act;
    std::vector<std::string> lines;
  };
  const std::vector<row> rows = {
      {"a message on one line, its secret masked",
       [](journaled_machine& j) {
         j.m.log.add_secret("Pw'1");
         j.journal.sys.ui.ShowMessage("提示", "不能连接\n错误: Pw'1");
       },
       {"message \"提示\": 不能连接 | 错误: *** -> OK"}},
      {"a question and its answer",
       [](journaled_machine& j) { j.journal.sys.ui.AskYesNo("澜拓", "是否继续?"); },
       {"question \"澜拓\": 是否继续? -> No"}},
      {"a copy, done and failed",
       [](journaled_machine& j) {
         j.journal.sys.fs.CopyFileReplacing("D:\\setup\\qvxlov9", "C:\\t.dat");
         j.journal.sys.fs.CopyFileReplacing("D:\\setup\\missing", "C:\\t.dat");
       },
       {"copy \"D:\\setup\\qvxlov9\" to \"C:\\t.dat\": done",
        "copy \"D:\\setup\\missing\" to \"C:\\t.dat\": failed"}},
      {"a registry value with the view it landed in",
       [](journaled_machine& j) {
         j.journal.sys.reg.WriteRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup", "qvxlov9", "总店",
                                               registry_view::wow64_32);
       },
       {"registry write 32-bit view HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup: \"qvxlov9\" = \"总店\": done"}},
      {"a command and its exit code, a program started",
       [](journaled_machine& j) {
         j.journal.sys.proc.RunWait("net stop MSSQLSERVER /y", window_hidden);
         j.journal.sys.proc.StartProgram("D:\\setup\\automess.exe");
       },
       {"run net stop MSSQLSERVER /y: exit code 2", "start \"D:\\setup\\automess.exe\": started"}},
      {"a name resolved",
       [](journaled_machine& j) { j.journal.sys.net.host_addresses("SERVER1"); },
       {"resolve \"SERVER1\": 127.0.0.1"}},
      {"a refused connection: the password never, registered or not",
       [](journaled_machine& j) {
         j.sqlca.servername = "127.0.0.1,1433";
         j.sqlca.database = "master";
         j.sqlca.logid = "sa";
         j.sqlca.logpass = "unregistered pw";
         j.sqlca.connect();
       },
       {"connect to server \"127.0.0.1,1433\", database \"master\" as \"sa\", password ***: status -1, "
        "error 18456: Login failed."}},
      {"statements: a row, a server message, a refusal with a secret quoted inside",
       [](journaled_machine& j) {
         j.m.log.add_secret("it''s");
         j.sqlca.select_single("select name from sysdatabases where name = ?", "qvxlov9");
         j.sqlca.execute_immediate("RESTORE DATABASE [qvxlov9]");
         j.sqlca.execute_immediate("sp_addlogin N'qvxlov9', N'it''s'");
       },
       {"sql: select name from sysdatabases where name = ? [qvxlov9]: row \"qvxlov9\"",
        "sql: RESTORE DATABASE [qvxlov9]", "sql message 3211: 10 percent processed.", "sql: status 0, rows 0",
        "sql: sp_addlogin N'qvxlov9', N'***'", "sql: status -1, error 15025: The login exists."}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    journaled_machine j;
    r.act(j);
    EXPECT_EQ(j.m.log.lines(), r.lines);
  }
}

TEST(Journal, PassesTheSettingsOnAndTheResultsBack) {
  journaled_machine j;
  j.server.connect_replies.clear();
  j.sqlca.servername = "db";
  j.sqlca.logid = "sa";
  j.sqlca.logpass = "pw";
  j.sqlca.connect();
  EXPECT_EQ(j.server.calls().back().logpass, "pw");
  EXPECT_TRUE(j.sqlca.connected());
  j.sqlca.execute_immediate("sp_addlogin N'x', N'y'");
  EXPECT_EQ(j.sqlca.sqlcode, sql_error);
  EXPECT_EQ(j.sqlca.sqldbcode, 15025);
  EXPECT_EQ(j.sqlca.sqlerrtext, "The login exists.");
}

}  // namespace
}  // namespace setup
