// The database page after discovery: choosing an instance, the folder checks, splitting texts, the
// Enter key between the password fields, and the browse buttons.
#include <gtest/gtest.h>

#include <tuple>

#include "discovery/sql_pickers.h"
#include "tests/discovery/sql_machine.h"

namespace setup {
namespace {

using test::sql_instance;
using test::sql_machine;

const sql_instance default_2005{"MSSQLSERVER", "MSSQL.1", "2005.090.1399.06"};
const sql_instance express_2005{"SQLEXPRESS", "MSSQL.2", "2006.090.3042.00"};

TEST(Selection, ChoosingAnInstanceTakesItsNameFoldersAndTcpKey) {
  struct row {
    const char* name;
    std::string address;
    std::string version;  // chosen on page 1
    std::string instance;
    std::string server_name;
    std::string tcp_key;
  };
  const std::string tcp_2000_default(sql_registry::sql2000_default_tcp_key);
  const std::vector<row> rows = {
      {"named instance", "10.0.0.5", "2005", "SQLEXPRESS", "10.0.0.5\\SQLEXPRESS", express_2005.tcp_key()},
      {"default instance", "10.0.0.5", "2005", "MSSQLSERVER", "10.0.0.5", default_2005.tcp_key()},
      {"named instance, no address known", "", "2005", "SQLEXPRESS", "\\SQLEXPRESS", express_2005.tcp_key()},
      // SQL Server 2000 builds the keys from the name, whatever the TCP list holds.
      {"2000, named", "10.0.0.5", "2000", "SQLEXPRESS", "10.0.0.5\\SQLEXPRESS",
       sql_registry::tcp_key("SQLEXPRESS")},
      {"2000, default", "10.0.0.5", "2000", "MSSQLSERVER", "10.0.0.5", tcp_2000_default},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    sql_machine m(false);
    m.add(default_2005);
    m.add(express_2005);
    m.choose(r.version);
    m.state.is_addr = r.address;
    for (const sql_instance& i : {default_2005, express_2005}) {
      m.controls.sle_sqlsetup.add_item(i.folder());
      m.state.is_sqlsetup_array.push_back(i.folder());
      m.state.is_ins_name_array.push_back(i.name);
      m.state.is_sqlsetup_data_array.push_back(i.folder() + "\\Data");
      m.state.is_tcp_port_array.push_back(i.tcp_key());
    }
    const sql_instance& chosen = r.instance == "SQLEXPRESS" ? express_2005 : default_2005;
    m.controls.sle_sqlsetup.select(chosen.name == "SQLEXPRESS" ? 2 : 1);
    m.paths.sle_sqlsetup_selectionchanged();
    EXPECT_EQ(m.controls.sle_servername.text(), r.server_name);
    EXPECT_EQ(m.controls.sle_server.text(), r.address);
    EXPECT_EQ(m.state.is_ins_name, chosen.name);
    EXPECT_EQ(m.state.is_tcp_port, r.tcp_key);
    EXPECT_EQ(m.state.is_sqlpath, chosen.folder());
    EXPECT_EQ(m.controls.sle_sqldatasetup.text(), chosen.folder() + "\\Data");
    // No program-folder list: the setup folder's "\Binn".
    EXPECT_EQ(m.state.is_sqlbinpath, chosen.folder() + "\\Binn");
    EXPECT_EQ(m.controls.st_sql_version.text(), "【Microsoft SQL Server 2005】");
  }
}

TEST(Selection, AFolderThatIsNoListEntryChangesOnlyTheServerNamesAndTheLabel) {
  sql_machine m(false);
  m.state.is_addr = "10.0.0.5";
  m.state.is_tcp_port = "kept";
  m.state.is_sqlpath = "kept";
  m.controls.sle_sqlsetup.set_text("E:\\手工\\MSSQL");
  m.paths.sle_sqlsetup_selectionchanged();
  EXPECT_EQ(m.controls.sle_servername.text(), "10.0.0.5");
  EXPECT_EQ(m.state.is_tcp_port, "kept");
  EXPECT_EQ(m.state.is_sqlpath, "kept");
  EXPECT_EQ(m.controls.st_sql_version.text(), "【Microsoft SQL Server 】");
}

TEST(Selection, TheSetupFolderCheckAsksOnlyWhenBinnLacksTheProgram) {
  struct row {
    const char* name;
    std::string folder;
    std::string binpath_before;
    int answer;  // 0: no question expected
    bool accepted;
    std::string binpath_after;
  };
  const std::string setup = default_2005.folder();
  const std::vector<row> rows = {
      {"program found in binn", setup, "", 0, true, setup + "\\Binn"},
      {"folder absent", "D:\\absent", "", 0, false, ""},
      {"no binn folder", "C:\\Temp", "", 0, false, ""},
      // The program folder from discovery stands, whatever the folder given (as long as it exists).
      {"program folder already holds the program", "C:\\Temp", setup + "\\Binn", 0, true, setup + "\\Binn"},
      {"binn without the program, Yes", "C:\\Other", "", 1, true, "C:\\Other\\Binn"},
      {"binn without the program, No", "C:\\Other", "", 2, false, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    sql_machine m(false);
    m.add(default_2005);
    m.fs.add_directory("C:\\Temp");
    m.fs.add_directory("C:\\Other\\binn");
    m.state.is_apptitle = "安装";
    m.state.is_sqlbinpath = r.binpath_before;
    if (r.answer != 0) m.ui.yes_no_answers.push_back(r.answer);
    EXPECT_EQ(m.paths.of_issqlpath(r.folder), r.accepted);
    EXPECT_EQ(m.state.is_sqlbinpath, r.binpath_after);
    ASSERT_EQ(m.ui.history().size(), r.answer != 0 ? 1u : 0u);
    if (r.answer != 0) {
      EXPECT_EQ(m.ui.history()[0].title, "安装");
      EXPECT_EQ(m.ui.history()[0].text, question_no_server_program);
    }
  }
  sql_machine m(false);
  m.state.is_datapath = "kept";
  EXPECT_FALSE(m.paths.of_issqldatapath("D:\\absent"));
  EXPECT_EQ(m.state.is_datapath, "kept");
  m.fs.add_directory("D:\\SQLData");
  EXPECT_TRUE(m.paths.of_issqldatapath("D:\\SQLData"));
  EXPECT_EQ(m.state.is_datapath, "D:\\SQLData");
}

TEST(Selection, TextsSplitIntoListsAndVersionsMap) {
  struct row {
    std::string source, delimiter;
    std::vector<std::string> before, after;
    long count;
  };
  const std::vector<row> rows = {
      {"xyz", "q", {}, {"xyz"}, 1},
      {"xyz", "y", {}, {"x", "z"}, 2},
      {"xyz", "Y", {}, {"x", "z"}, 2},
      {"a,,b,", ",", {}, {"a", "", "b"}, 3},
      {",a", ",", {}, {"", "a"}, 2},
      {"MSSQLSERVER\nSQLEXPRESS", "\n", {"old1", "old2", "old3"}, {"MSSQLSERVER", "SQLEXPRESS", "old3"}, 2},
      {"   ", ",", {"kept"}, {"kept"}, 0},
  };
  for (const row& r : rows) {
    std::vector<std::string> list = r.before;
    EXPECT_EQ(wf_parsetoarray(r.source, r.delimiter, list), r.count) << r.source;
    EXPECT_EQ(list, r.after) << r.source;
  }
  std::vector<std::string> untouched{"kept"};
  EXPECT_EQ(wf_parsetoarray(std::nullopt, ",", untouched), std::nullopt);
  EXPECT_EQ(untouched, std::vector<std::string>{"kept"});

  // The choice that installs a program, and the release it is named as.
  for (const auto& [version, choice, name] : std::vector<std::tuple<std::string, std::string, std::string>>{
           {"2000.080.194.0", "2000", "2000"},
           {"2005.090.1399.06", "2005", "2005"},
           {"2006.x", "2005", "2005"},
           {"2007.100", "2008", "2008"},
           {"2009.1", "2008", "2008"},
           {"2010.1", "2008", "2008"},
           {"2011.110", "2012", "2012"},
           {"2012.1", "2012", "2012"},
           {"2014.0120.2000.8", "2012", "2014"},
           {"2015.130.1601.5", "2012", "2016"},
           {"2017.0140.1000.169", "2012", "2017"},
           {"2019.0150.2000.05 ((SQLServer).190924-2033)", "2012", "2019"},
           {"2022.0160.1000.6", "2012", "2022"},
           {"2025.170.1", "2012", "2025"},
           {"2027.0180.1.1", "2012", "2027"},  // a later major version, named by its year
           {"2013.1", "", ""},
           {"2013.119.1", "", ""},
           {"2014.12a.1", "", ""},
           {"2014", "", ""},
           {"", "", ""},
           {"9.00", "", ""}}) {
    EXPECT_EQ(sql_release_of(version), (sql_release{choice, name})) << version;
  }
}

TEST(Selection, EnterMovesFromTheNameToThePasswordsOnlyWhenItIsDown) {
  sql_machine m(false);
  struct focus_recorder : ui::control_observer {
    std::vector<std::string> focused;
    void control_changed(ui::control& c, ui::change what) override {
      if (what == ui::change::focus) focused.push_back(c.name());
    }
  } recorder;
  m.controls.sle_pass.attach(&recorder);
  m.controls.sle_pass1.attach(&recorder);
  m.paths.sle_dbname_modified();
  EXPECT_TRUE(recorder.focused.empty());
  m.ui.keys_down.insert(key::enter);
  m.paths.sle_dbname_modified();
  m.paths.sle_pass_modified();
  EXPECT_EQ(recorder.focused, (std::vector<std::string>{"sle_pass", "sle_pass1"}));
}

TEST(Pickers, FoldersAndTheBackupFileWithTheCurrentDirectoryKept) {
  sql_machine m(false);
  m.fs.add_directory("D:\\安装盘");
  ASSERT_TRUE(m.fs.SetCurrentDirectory("D:\\安装盘"));
  int selections = 0;
  sql_pickers pickers(m.w, [&] {
    ++selections;
    m.paths.sle_sqlsetup_selectionchanged();
  });
  m.controls.sle_sqlsetup.add_item("C:\\SQL1");
  m.controls.sle_sqlsetup.add_item("C:\\SQL2");
  m.controls.sle_sqldatasetup.set_text("C:\\SQL1\\Data");
  m.controls.sle_backupdata.set_text("D:\\安装盘\\qvxlov9");

  // Cancelled: nothing changes.
  m.ui.folder_answers.push_back({0, "E:\\"});
  pickers.pb_2_clicked();
  m.ui.folder_answers.push_back({0, "E:\\"});
  pickers.pb_3_clicked();
  m.ui.file_answers.push_back({0, "E:\\x.dat", "x.dat"});
  pickers.pb_backupdata_clicked();
  EXPECT_EQ(m.controls.sle_sqlsetup.items().size(), 2u);
  EXPECT_EQ(m.controls.sle_sqldatasetup.text(), "C:\\SQL1\\Data");
  EXPECT_EQ(m.controls.sle_backupdata.text(), "D:\\安装盘\\qvxlov9");
  EXPECT_EQ(selections, 0);

  // A drive root loses its backslash; the setup folder becomes the only item, chosen.
  m.ui.folder_answers.push_back({1, "E:\\"});
  pickers.pb_2_clicked();
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{"E:"});
  EXPECT_EQ(m.controls.sle_sqlsetup.text(), "E:");
  EXPECT_EQ(m.state.is_sqlpath, "E:");
  EXPECT_EQ(m.state.is_sqlbinpath, "E:\\Binn");
  EXPECT_EQ(selections, 1);
  m.ui.folder_answers.push_back({1, "F:\\SQL数据\\"});
  pickers.pb_3_clicked();
  EXPECT_EQ(m.controls.sle_sqldatasetup.text(), "F:\\SQL数据");
  m.ui.file_answers.push_back({1, "G:\\备份\\qvxlov9.bak", "qvxlov9.bak"});
  pickers.pb_backupdata_clicked();
  EXPECT_EQ(m.controls.sle_backupdata.text(), "G:\\备份\\qvxlov9.bak");
  EXPECT_EQ(m.fs.GetCurrentDirectory(), "D:\\安装盘");

  std::vector<std::string> titles;
  for (const auto& shown : m.ui.history()) titles.push_back(shown.kind + " " + shown.title);
  EXPECT_EQ(titles,
            (std::vector<std::string>{"folder 请选择目录", "folder 请选择目录", "file 选择数据库文件",
                                      "folder 请选择目录", "folder 请选择目录", "file 选择数据库文件"}));
}

}  // namespace
}  // namespace setup
