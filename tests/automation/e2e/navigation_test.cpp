// The real window walked from page 1 to page 4 and back on a machine with SQL Server laid out in the
// prefix, each page compared with the model and each message box read and answered; page 3 shows what
// discovery found, and choosing another instance there takes its details.
#include <gtest/gtest.h>

#include "tests/automation/e2e/wizard_run.h"
#include "wizard/page_navigation.h"

namespace setup::automation {
namespace {

// sqlservr.exe files whose version resources come from the build's fixtures.
const std::string fixture_2008 = "en_us_unicode_64.dll";  // 2009.100.1600.1: SQL Server 2008
const test::sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2009.100.1600.1"};
const test::sql_instance named_2008{"SHOP", "MSSQL10.SHOP", "2009.100.1600.1"};
const std::string fixture_2019 = "sql_server_2019_64.dll";  // 2019.0150.2000.05
const test::sql_instance default_2019{"MSSQLSERVER", "MSSQL15.MSSQLSERVER", "2019.0150.2000.05"};

// The question of a SQL Server not found, with its line on what the machine has.
std::string not_found(const std::string& has) {
  return std::string(question_path_not_found) + "\n本机的SQL Server实例：" + has + "。";
}
const std::string has_2008 = "（Microsoft SQL Server 2008，请选择“MS SQL Server 2008”安装）";

TEST(Navigation, TheRealWindowWalksToPage4AndBack) {
  wizard_run run;
  run.setup_ini("sql2005=1\r\n");
  run.sql_instance(default_2008, fixture_2008);
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  const std::string title = m.state.is_apptitle;

  // 2005 chosen (the design's choice): the only instance is a 2008 one, which the question names.
  ASSERT_TRUE(run.click_answering(m.cb_next, title, not_found("MSSQLSERVER" + has_2008), IDNO));
  EXPECT_EQ(m.tab_1.selectedtab(), page_port);
  ASSERT_TRUE(run.click(m.cb_prev));
  ASSERT_TRUE(run.click(m.rb_sql2008));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), page_database);
  EXPECT_EQ(run.real(m.sle_sqlsetup).items(), std::vector<std::string>{default_2008.folder()});
  EXPECT_EQ(run.real(m.st_sql_version).text(), "【Microsoft SQL Server 2008】");

  ASSERT_TRUE(run.type(m.sle_dbname, ""));
  ASSERT_TRUE(run.click_answering(m.cb_next, title, "请输入数据库名称！", IDOK));
  ASSERT_TRUE(run.type(m.sle_dbname, "门店库"));
  ASSERT_TRUE(run.click(m.cb_next));
  EXPECT_EQ(m.tab_1.selectedtab(), page_install);
  EXPECT_FALSE(run.real(m.cb_next).enabled());
  for (const int page : {page_database, page_port, page_edition}) {
    ASSERT_TRUE(run.click(m.cb_prev));
    EXPECT_EQ(m.tab_1.selectedtab(), page);
  }
  EXPECT_FALSE(run.real(m.cb_prev).enabled());
}

TEST(Navigation, ThePathQuestionOfPage1AndChoosingAnotherInstanceOnPage3) {
  // 32-bit Windows (no mark in the prefix): every instance of the version is offered.
  wizard_run run(/*windows_64bit=*/false);
  run.setup_ini("sql2005=1\r\nqvxpredb=41836\r\n");
  run.sql_instance(default_2008, fixture_2008);
  run.sql_instance(named_2008, fixture_2008);
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  const std::string title = m.state.is_apptitle;

  ASSERT_TRUE(run.click(m.rb_sql2012));
  ASSERT_TRUE(
      run.click_answering(m.cb_next, title, not_found("MSSQLSERVER" + has_2008 + "；SHOP" + has_2008), IDNO));
  EXPECT_EQ(m.tab_1.selectedtab(), page_port);
  ASSERT_TRUE(run.click(m.cb_prev));
  ASSERT_TRUE(run.click(m.rb_sql2008));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), page_database);
  EXPECT_EQ(run.real(m.sle_sqlsetup).items(),
            (std::vector<std::string>{default_2008.folder(), named_2008.folder()}));
  EXPECT_TRUE(run.real(m.st_memo).shown());

  ASSERT_TRUE(run.choose(m.sle_sqlsetup, 2));
  EXPECT_EQ(run.real(m.sle_servername).text(), m.state.is_addr + "\\SHOP");
  EXPECT_EQ(run.real(m.sle_sqldatasetup).text(), named_2008.folder() + "\\Data");
  EXPECT_EQ(m.state.is_tcp_port, named_2008.tcp_key());
}

// A machine whose only SQL Server is 2019: the 2008 choice is told to take the 2012 one, and its
// manual route refuses the 2019 folder typed on page 3; the 2012 choice finds and names it.
TEST(Navigation, TodaysServerIsFoundThroughThe2012ChoiceOnly) {
  wizard_run run;
  run.setup_ini("sql2005=1\r\nqvxpredb=41836\r\n");
  run.sql_instance(default_2019, fixture_2019);
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  const std::string title = m.state.is_apptitle;

  ASSERT_TRUE(run.click(m.rb_sql2008));
  ASSERT_TRUE(run.click_answering(
      m.cb_next, title, not_found("MSSQLSERVER（Microsoft SQL Server 2019，请选择“MS SQL Server 2012”安装）"),
      IDYES));
  ASSERT_EQ(m.tab_1.selectedtab(), page_database);
  ASSERT_TRUE(run.type(m.sle_sqlsetup, default_2019.folder()));
  ASSERT_TRUE(run.type(m.sle_sqldatasetup, default_2019.folder() + "\\Data"));
  ASSERT_TRUE(run.click_answering(m.cb_next, title, message_version_mismatch("2008", "2019"), IDOK));
  EXPECT_EQ(m.tab_1.selectedtab(), page_database);

  ASSERT_TRUE(run.click(m.cb_prev));
  ASSERT_TRUE(run.click(m.cb_prev));
  ASSERT_TRUE(run.click(m.rb_sql2012));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), page_database);
  EXPECT_EQ(run.real(m.sle_sqlsetup).items(), std::vector<std::string>{default_2019.folder()});
  EXPECT_EQ(run.real(m.st_sql_version).text(), "【Microsoft SQL Server 2019】");
}

}  // namespace
}  // namespace setup::automation
