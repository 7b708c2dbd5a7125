// Walking the wizard from page 1 to page 4 and back, for each kind of product, on machines laid out in
// memory: the page each click leads to, the messages on the way, and what the pages are given.
#include <gtest/gtest.h>

#include "tests/wizard/machine.h"

namespace setup {
namespace {

using test::machine;
using test::sql_instance;

const sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2007.100.1600.22"};

// Notes the controls that were asked to take the focus.
struct focus_recorder final : ui::form_observer {
  std::vector<std::string> focused;
  void control_changed(ui::control& c, ui::change what) override {
    if (what == ui::change::focus) focused.push_back(c.name());
  }
  void title_changed() override {}
  void close_requested() override {}
};

struct walk : machine {
  std::unique_ptr<w_server> w;
  explicit walk(const std::string& options = "sql2005=1\r\n", bool windows_64bit = true)
      : machine(windows_64bit) {
    setup_ini(options);
  }
  w_server& open(const std::string& version = "2008") {
    w = open_window();
    ui::control& button = version == "2000"   ? w->rb_sql2000
                          : version == "2012" ? w->rb_sql2012
                                              : w->rb_sql2008;
    if (version != "2005") {
      button.set_visible(true);  // offered by the profile or not: the walk chooses it
      w->click(button);
    }
    return *w;
  }
  int page() const { return w->tab_1.selectedtab(); }
  void next() { w->click(w->cb_next); }
  void prev() { w->click(w->cb_prev); }
};

TEST(Navigation, TheWalkToPage4AndBack) {
  walk m;
  m.add(default_2008);
  w_server& w = m.open();
  EXPECT_FALSE(w.cb_prev.enabled());

  m.next();
  EXPECT_EQ(m.page(), 2);
  EXPECT_TRUE(w.cb_prev.enabled());
  EXPECT_EQ(w.sle_sqlsetup.items(), std::vector<std::string>{default_2008.folder()});
  m.next();
  EXPECT_EQ(m.page(), 3);
  EXPECT_EQ(w.sle_backupdata.text(), "C:\\setup\\qvxlov9");
  m.next();
  EXPECT_EQ(m.page(), 4);
  EXPECT_FALSE(w.cb_next.enabled());
  EXPECT_EQ(w.st_dis2.text(), "提供短信、微信个性化定制，自动发送功能；");
  EXPECT_EQ(w.state.is_dbname, "qvxlov9");
  EXPECT_EQ(w.state.is_sqlpath, default_2008.folder());
  EXPECT_EQ(w.state.is_datapath, default_2008.folder() + "\\Data");
  EXPECT_TRUE(m.ui.history().empty());

  m.next();  // disabled: nothing happens
  EXPECT_EQ(m.page(), 4);
  const std::vector<int> back = {3, 2, 1, 1};
  for (int expected : back) {
    m.prev();
    EXPECT_EQ(m.page(), expected);
    EXPECT_TRUE(w.cb_next.enabled());
  }
  EXPECT_FALSE(w.cb_prev.enabled());
}

TEST(Navigation, Page1WhenNoSqlServerOfTheVersionIsFound) {
  for (const int answer : {2, 1}) {
    SCOPED_TRACE(answer == 1 ? "Yes" : "No");
    walk m;
    w_server& w = m.open();
    m.fs.add_file("C:\\setup\\qvxlov9", "backup");
    w.sle_backupdata.set_text("");
    m.ui.yes_no_answers.push_back(answer);
    m.next();
    ASSERT_EQ(m.ui.history().size(), 1u);
    EXPECT_EQ(m.ui.history()[0].kind, "question");
    EXPECT_EQ(m.ui.history()[0].title, w.state.is_apptitle);
    EXPECT_EQ(m.ui.history()[0].text,
              "未发现SQL安装路径，请确认SQL版本是否正确？\n如正确请在下一步手工选择SQL服务程序和数据路径!\n"
              "本机未发现可识别的SQL Server实例。");
    // No: the port page, where the question was asked. Yes: page 3, for the folders by hand.
    EXPECT_EQ(m.page(), answer == 1 ? 3 : 2);
    EXPECT_EQ(w.sle_backupdata.text(), answer == 1 ? "C:\\setup\\qvxlov9" : "");
    EXPECT_TRUE(w.cb_prev.enabled());
  }
}

// The question's last line: what the machine has, and which choice of page 1 installs it.
TEST(Navigation, Page1SaysWhichChoiceInstallsTheServerFound) {
  const sql_instance default_2019{"MSSQLSERVER", "MSSQL15.MSSQLSERVER", "2019.0150.2000.05"};
  const sql_instance express_2005{"SQLEXPRESS", "MSSQL.1", "2005.090.1399.06"};
  struct row {
    const char* options;
    std::vector<sql_instance> instances;
    std::string chosen;
    bool windows_64bit;
    std::string line;
  };
  const std::string has = "本机的SQL Server实例：";
  const std::vector<row> rows = {
      {"sql2005=1\r\nqvxpredb=41836\r\n",
       {default_2019},
       "2008",
       true,
       has + "MSSQLSERVER（Microsoft SQL Server 2019，请选择“MS SQL Server 2012”安装）。"},
      {"sql2005=1\r\n",
       {default_2019},
       "2008",
       false,
       has + "MSSQLSERVER（Microsoft SQL Server 2019，本安装介质不提供此版本）。"},
      {"qvxpredb=41836\r\nqvxpre=41833\r\n",
       {default_2019, express_2005},
       "2000",
       true,
       has +
           "MSSQLSERVER（Microsoft SQL Server 2019，请选择“MS SQL Server 2012”安装）；SQLEXPRESS（Microsoft "
           "SQL Server 2005，本安装介质不提供此版本）。"},
      {"sql2005=1\r\n",
       {express_2005},
       "2012",
       false,
       has + "SQLEXPRESS（Microsoft SQL Server 2005，请选择“MS SQL Server 2005”安装）。"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.line);
    walk m(r.options, r.windows_64bit);
    for (const sql_instance& i : r.instances) m.add(i);
    w_server& w = m.open(r.chosen);
    m.ui.yes_no_answers.push_back(2);
    m.next();
    ASSERT_EQ(m.ui.history().size(), 1u);
    const std::string& text = m.ui.history()[0].text;
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), r.line);
    EXPECT_TRUE(w.sle_sqlsetup.items().empty());  // nothing of another version is proposed
  }
}

TEST(Navigation, Page1WithoutAVersionChosen) {
  walk m;
  w_server& w = m.open();
  w.rb_sql2008.set_checked(false);
  m.next();
  EXPECT_EQ(m.ui.messages(), std::vector<std::string>{"请选择SQL Server的版本!"});
  EXPECT_EQ(m.page(), 1);
  EXPECT_TRUE(w.cb_prev.enabled());
}

TEST(Navigation, Page2ChecksTheVersionThenTheFolders) {
  struct row {
    const char* name;
    std::string file_version;  // of the chosen folder's program; empty: none
    bool setup_folder_exists;
    bool data_folder_exists;
    std::string message;  // empty: page 3
    std::string chosen = "2008";
  };
  const std::string mismatch_2013 = message_version_mismatch("2008", "");
  const std::vector<row> rows = {
      {"2009 is a 2008", "2009.100.1600.1", true, true, ""},
      {"2013 is no version the wizard knows", "2013.1.2000.8", true, true, mismatch_2013},
      {"an unreadable program", "", true, true, mismatch_2013},
      {"2019 is installed through 2012", "2019.0150.2000.05", true, true, "", "2012"},
      {"2019 is not a 2008, and named", "2019.0150.2000.05", true, true,
       message_version_mismatch("2008", "2019")},
      {"no setup folder", "2007.100.1600.22", false, true,
       "请选择SQL Server服务程序安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL"},
      {"no data folder", "2007.100.1600.22", true, false,
       "请选择SQL Server数据安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    walk m("sql2005=1\r\nqvxpredb=41836\r\n");
    w_server& w = m.open(r.chosen);
    m.ui.yes_no_answers.push_back(1);  // nothing found: on to the page anyway
    m.next();
    // The folders as the operator gives them on page 3, then back to page 2.
    const std::string setup = r.setup_folder_exists ? "D:\\SQL" : "D:\\absent";
    if (r.setup_folder_exists) m.fs.add_directory("D:\\SQL\\Binn");
    if (!r.file_version.empty()) {
      m.fs.add_file("D:\\SQL\\Binn\\sqlservr.exe", "MZ");
      m.versions.set(setup + "\\Binn\\sqlservr.exe", r.file_version);
    }
    if (r.data_folder_exists) m.fs.add_directory("D:\\SQL\\Data");
    w.sle_sqlsetup.set_text(setup);
    w.sle_sqldatasetup.set_text("D:\\SQL\\Data");
    w.tab_1.SelectTab(2);
    m.next();
    const std::vector<std::string> messages = m.ui.messages();
    EXPECT_EQ(messages.empty() ? "" : messages.back(), r.message);
    EXPECT_EQ(m.page(), r.message.empty() ? 3 : 2);
  }
}

// Nothing found, the folders picked by hand on page 3: its Next checks the program's version too.
TEST(Navigation, TheManualRouteChecksTheVersionOnPage3) {
  for (const auto& [file_version, message] : std::vector<std::pair<std::string, std::string>>{
           {"2019.0150.2000.05", message_version_mismatch("2008", "2019")}, {"2007.100.1600.22", ""}}) {
    SCOPED_TRACE(file_version);
    walk m;
    w_server& w = m.open();
    m.ui.yes_no_answers.push_back(1);
    m.next();
    ASSERT_EQ(m.page(), 3);
    m.fs.add_file("D:\\SQL\\Binn\\sqlservr.exe", "MZ");
    m.fs.add_directory("D:\\SQL\\Data");
    m.versions.set("D:\\SQL\\Binn\\sqlservr.exe", file_version);
    w.sle_sqlsetup.set_text("D:\\SQL");
    w.sle_sqldatasetup.set_text("D:\\SQL\\Data");
    m.next();
    EXPECT_EQ(m.ui.messages(),
              message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    EXPECT_EQ(m.page(), message.empty() ? 4 : 3);
  }
}

TEST(Navigation, DatabaseNamesOnPage3) {
  struct row {
    std::string typed;
    std::string message;  // empty: accepted
    std::string taken;
  };
  const std::vector<row> rows = {
      {"  门店库一  ", "", "门店库一"},
      {"   ", "请输入数据库名称！", ""},
      {"shop/2", "数据库名称不能包含字符 \\ / : * ? \" < > |！", ""},
      {"..\\x", "数据库名称不能包含字符 \\ / : * ? \" < > |！", ""},
      {"a\tb", "数据库名称不能包含字符 \\ / : * ? \" < > |！", ""},
      {"O'Brien]", "", "O'Brien]"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.typed);
    walk m;
    m.add(default_2008);
    w_server& w = m.open();
    focus_recorder recorder;
    m.next();
    m.next();
    ASSERT_EQ(m.page(), 3);
    w.attach(&recorder);
    w.sle_dbname.input_text(r.typed);
    m.next();
    w.attach(nullptr);
    if (r.message.empty()) {
      EXPECT_TRUE(m.ui.messages().empty());
      EXPECT_EQ(m.page(), 4);
      EXPECT_EQ(w.state.gs_database, r.taken);
      EXPECT_EQ(w.state.is_dbname, r.taken);
    } else {
      EXPECT_EQ(m.ui.messages(), std::vector<std::string>{r.message});
      EXPECT_EQ(m.page(), 3);
      EXPECT_EQ(recorder.focused, std::vector<std::string>{"sle_dbname"});
      EXPECT_EQ(w.state.gs_database, "qvxlov9");
    }
  }
}

TEST(Navigation, FranchiseHeadquartersIsProposedItsJoinNameOnce) {
  walk m("DataBase=qvxtekprov3\r\nsql2005=1\r\n");
  m.add(default_2008);
  w_server& w = m.open();
  w.click(w.rb_jmzb);
  m.next();
  m.next();
  EXPECT_EQ(w.sle_dbname.text(), "qvxtekprov3_join");
  m.next();
  EXPECT_EQ(w.state.gs_database, "qvxtekprov3_join");
  m.prev();
  m.prev();
  ASSERT_EQ(m.page(), 2);
  m.next();
  EXPECT_EQ(w.sle_dbname.text(), "qvxtekprov3_join");
  // The backup file keeps the product's own name.
  EXPECT_EQ(w.sle_backupdata.text(), "C:\\setup\\qvxtekprov3");
}

TEST(Navigation, TheProductWithoutAPortPageSkipsIt) {
  walk m("DataBase=urmsv7\r\nsql2005=1\r\n");
  m.add(default_2008);
  w_server& w = m.open();
  m.next();
  EXPECT_EQ(m.page(), 3);
  EXPECT_EQ(w.sle_backupdata.text(), "C:\\setup\\urmsv7");
  w.sle_dbname.input_text("");  // hidden: not read
  m.next();
  EXPECT_EQ(m.page(), 4);
  EXPECT_EQ(w.state.gs_database, "urmsv7");
  m.prev();
  EXPECT_EQ(m.page(), 3);
  m.prev();
  EXPECT_EQ(m.page(), 1);
  EXPECT_TRUE(m.ui.history().empty());
}

TEST(Navigation, TheBackupFileIsProposedFromTheProductsNameAfterGoingBack) {
  walk m("sql2005=1\r\nqvxpredb=41836\r\nDataBase_2012=lo2012\r\n");
  m.add(sql_instance{"MSSQLSERVER", "MSSQL11.MSSQLSERVER", "2011.110.2100.60"});
  w_server& w = m.open("2012");
  m.next();
  m.next();
  EXPECT_EQ(w.sle_backupdata.text(), "C:\\setup\\lo2012");
  w.sle_dbname.input_text("门店库");
  m.next();
  ASSERT_EQ(m.page(), 4);
  m.prev();
  m.prev();
  w.click(w.rb_sql2008);
  w.click(w.rb_sql2012);
  m.next();
  EXPECT_EQ(w.sle_backupdata.text(), "C:\\setup\\lo2012");
  EXPECT_EQ(w.sle_dbname.text(), "门店库");
}

}  // namespace
}  // namespace setup
