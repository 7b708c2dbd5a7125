// The last page's accessory buttons, the connection's settings, the install mark and the database-name
// check the page navigation shares.
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "install/system_flags.h"
#include "model/database_name.h"
#include "tests/install/install_machine.h"

namespace setup::test {
namespace {

TEST(Accessories, StartByTheirFullPathOrSayTheyAreMissing) {
  struct accessory_case {
    const char* options;
    const char* button;
    const char* program;  // on the medium; empty: none
    bool started;         // else the message says it is missing
  };
  const std::map<std::string, std::string> missing = {
      {"pb_wcf", "未找到数据传输服务程序文件,请联系程序提供商!"},
      {"cb_5", "未找到信息系统程序文件,请联系程序提供商!"},
      {"pb_6", "未找到信息系统程序文件,请联系程序提供商!"},
      {"cb_4", "未找到自动升级系统程序文件,请联系程序提供商!"},
      {"pb_7", "未找到自动升级系统程序文件,请联系程序提供商!"}};
  // clang-format off
  for (const accessory_case& c : {
           accessory_case{"DataBase=qvxlov10\r\n", "pb_wcf", "lo10_Service.exe", true},
           accessory_case{"DataBase=qvxtekprov3\r\n", "pb_wcf", "tekprov3_Service.exe", true},
           accessory_case{"DataBase=qvxtekprov3\r\n", "pb_wcf", "", false},
           accessory_case{"", "pb_wcf", "lo10_Service.exe", false},  // no data transfer service of its own
           accessory_case{"", "pb_6", "automess.exe", true}, accessory_case{"", "cb_5", "", false},
           accessory_case{"", "pb_7", "auto_up.exe", true}, accessory_case{"", "cb_4", "", false}}) {
    // clang-format on
    machine m;
    if (*c.options) m.setup_ini(c.options);
    const std::string path = std::string("C:\\setup\\") + c.program;
    if (*c.program) m.fs.add_file(path, "program");
    auto w = m.open_window();
    for (ui::control* button : w->all()) {
      // The handler as wired, whether the product shows the button or not.
      if (button->name() == c.button) button->on_click();
    }
    EXPECT_EQ(m.proc.started(), c.started ? std::vector<std::string>{path} : std::vector<std::string>{})
        << c.button;
    EXPECT_EQ(m.ui.messages(),
              c.started ? std::vector<std::string>{} : std::vector<std::string>{missing.at(c.button)});
  }
}

TEST(Connects, TakeTheServerNameRuleAndTheThirdKeepsItsFailureOpen) {
  machine m;
  m.fs.add_file("C:\\setup\\qvxlov9", "backup");
  auto w = m.open_window();
  w->sle_servername.set_text("  POS-1 ");
  w->state.is_port = "14330";
  w->sle_pass.set_text("sa pw");
  w->state.is_datapath = "C:\\data";
  w->state.is_dbname = "qvxlov9";
  m.sqlca.connect_replies = {{}, {}, {sql_error, 4060, "Cannot open database \"qvxlov9\".", 0, {}}};
  memory_transaction::reply files;
  files.rows = result_set{{"LogicalName", "Size"}, {{"qvxlov9_Data", "1"}, {"qvxlov9_Log", "1"}}};
  m.sqlca.on("FILELISTONLY", files);
  w->click(w->cb_2);

  std::vector<std::string> connects;
  for (const auto& call : m.sqlca.calls()) {
    if (call.kind == "connect") {
      connects.push_back(call.servername + "|" + call.logid + "|" + call.logpass + "|" + call.database);
    }
  }
  EXPECT_EQ(connects, (std::vector<std::string>{"POS-1,14330|sa|sa pw|master",
                                                "POS-1,14330|qvxlov9|HTkmwqrabx7!plem202406|master",
                                                "POS-1,14330|sa|sa pw|qvxlov9"}));
  EXPECT_EQ(m.sqlca.dbms, "MSS Microsoft SQL Server 2000");
  EXPECT_TRUE(m.sqlca.autocommit);
  EXPECT_EQ(m.sqlca.dbparm, "");
  // The failed third connect is the last call: nothing closes it.
  EXPECT_EQ(m.sqlca.calls().back().kind, "connect");
  EXPECT_EQ(m.ui.messages().back(), "不能连接到数据库, \n错误:Cannot open database \"qvxlov9\".");
}

TEST(InstallMark, IsWrittenInThe32BitViewForAKnownProductAndACustomer) {
  const std::string keys = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\qrvxSetup\\";
  for (const auto& [product, customer, key, value] :
       std::vector<std::array<std::string, 4>>{{"urv7", " 分店 ", "urms\\7.0", "分店"},
                                               {"qvxtekprov3", "A", "qrvxtekpro\\3.0", "A"},
                                               {"qvxlov11", "A", "", ""},
                                               {"urv7", "   ", "", ""}}) {
    machine m;
    w_server_state state;
    w_server_controls controls;
    wizard_context context{state, controls, m.sys, m.sqlca};
    state.gs_product = product;
    state.is_dbname = "店1";
    controls.sle_custname.set_text(customer);
    system_flags(context).wf_mark_dbflag();
    EXPECT_EQ(m.reg.string_value(keys + key, "店1"), key.empty() ? std::nullopt : std::optional(value))
        << product;
    EXPECT_EQ(m.reg.key_exists(keys), !key.empty()) << product;
    EXPECT_FALSE(m.reg.key_exists("HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup")) << product;
  }
}

TEST(DatabaseNameCheck, RefusesWhatAWindowsFileNameCannotHold) {
  for (const char* name : {"qvxlov9", "店 1_join", "a'b];c", "x.y"})
    EXPECT_EQ(database_name_refusal(name), "");
  EXPECT_EQ(database_name_refusal(""), message_enter_database_name);
  for (const char* name : {"a\\b", "a/b", "c:", "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "a\tb", "a\x1f"}) {
    EXPECT_EQ(database_name_refusal(name), message_database_name_characters) << name;
  }
}

}  // namespace
}  // namespace setup::test
