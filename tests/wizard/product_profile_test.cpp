#include "wizard/product_profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_files.h"

namespace setup {
namespace {

// The real reader over in-memory files, recording every read in order.
class recording_profile final : public profile {
 public:
  explicit recording_profile(files& fs) : ini_(fs) {}
  std::string ReadProfileString(std::string_view file, std::string_view section, std::string_view key,
                                std::string_view default_value) override {
    reads.push_back(std::string(file) + "|" + std::string(section) + "|" + std::string(key) + "|" +
                    std::string(default_value));
    return ini_.ReadProfileString(file, section, key, default_value);
  }
  std::vector<std::string> reads;

 private:
  ini_profile ini_;
};

struct medium {
  memory_files fs;
  recording_profile ini{fs};

  void setup_ini(const std::string& options) {
    fs.add_file("C:\\setup\\setup.ini", "[Options]\r\n" + options);
  }
  void setup_des(const std::string& oem) { fs.add_file("C:\\setup\\setup.des", "[oem]\r\n" + oem); }
  product_profile read() { return read_product_profile(ini, fs); }
};

TEST(ProductProfile, WithoutSetupIniEveryValueIsItsDefault) {
  medium m;
  const product_profile p = m.read();
  EXPECT_EQ(p.is_productname, "澜拓专卖店");
  EXPECT_EQ(p.is_version, "澜拓专卖店");
  EXPECT_EQ(p.is_apptitle, "澜拓专卖店澜拓专卖店");
  EXPECT_EQ(p.gs_database, "qvxlov9");
  EXPECT_EQ(p.gs_product, "qvxlov9");
  EXPECT_EQ(p.gs_database_2012, "qvxlov9_2012");
  EXPECT_EQ(p.is_flag, "1");
  EXPECT_EQ(p.gs_logicdbname, "");
  EXPECT_EQ(p.gs_sys_table, "0");
  EXPECT_EQ(p.gs_log, "qvxlov9");
  EXPECT_EQ(p.gs_logpass, "HTkmwqrabx7!plem202406");
  EXPECT_EQ(p.sql2005, "0");
  EXPECT_EQ(p.qvxpredb, "0");
  EXPECT_EQ(p.qvxpre, "0");
  EXPECT_FALSE(p.oem_picture.has_value());
}

TEST(ProductProfile, ValuesAreTakenAsTheReaderReturnsThem) {
  medium m;
  m.setup_ini(
      "productname = 澜拓禾岚专卖\r\nVersion=V9.0\r\nDataBase=urmsv7\r\nDataBase_2012=\"urmsv7_2012\"\r\n"
      "logicdbname=lg\r\nlog=urv7\r\nsql2005=1\r\nqvxpredb=41836\r\nqvxpre=41833\r\n");
  const product_profile p = m.read();
  EXPECT_EQ(p.is_productname, "澜拓禾岚专卖");
  EXPECT_EQ(p.is_apptitle, "澜拓禾岚专卖V9.0");
  EXPECT_EQ(p.gs_product, "urmsv7");
  EXPECT_EQ(p.gs_database_2012, "urmsv7_2012");
  EXPECT_EQ(p.gs_logicdbname, "lg");
  EXPECT_EQ(p.gs_logpass, "kVTe@naR");
  EXPECT_EQ(p.sql2005, "1");
  EXPECT_EQ(p.qvxpredb, "41836");
  EXPECT_EQ(p.qvxpre, "41833");
}

TEST(ProductProfile, FlagMustBePartOfTheFlagList) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"3", "3"},  {"4", "4"}, {"7", "1"},    {"1/2", "1/2"}, {"2/3/4", "2/3/4"},
      {"12", "1"}, {"", "1"},  {"\"\"", "1"}, {"1 / 2", "1"},
  };
  for (const auto& [value, expected] : cases) {
    medium m;
    m.setup_ini("Flag=" + value + "\r\n");
    EXPECT_EQ(m.read().is_flag, expected) << "Flag=" << value;
  }
}

TEST(ProductProfile, SysTableIsOneTwoOrZero) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1", "1"}, {"2", "2"}, {"3", "0"}, {"", "0"}, {"02", "0"}, {"'2'", "2"},
  };
  for (const auto& [value, expected] : cases) {
    medium m;
    m.setup_ini("sys_table=" + value + "\r\n");
    EXPECT_EQ(m.read().gs_sys_table, expected) << "sys_table=" << value;
  }
}

TEST(ProductProfile, LoginTableComparesExactly) {
  EXPECT_EQ(login_password("qvxlov9"), "HTkmwqrabx7!plem202406");
  EXPECT_EQ(login_password("qvxlov10"), "LoamVRsextant_GOLD");
  EXPECT_EQ(login_password("urfsv9"), "NPbvhcetua5!wosk201907");
  EXPECT_EQ(login_password("qvxmixav9"), "PineKWharbour_2031QF");
  EXPECT_EQ(login_password("qvxtekv3"), "PineKWharbour_2031QF");
  EXPECT_EQ(login_password("urv7"), "kVTe@naR");
  EXPECT_EQ(login_password("ur"), "ur");
  EXPECT_EQ(login_password("qvx"), "qvx");
  EXPECT_EQ(login_password("QVXLOV9"), "PineKWharbour_2031QF");
  EXPECT_EQ(login_password("UR"), "PineKWharbour_2031QF");
  EXPECT_EQ(login_password("qvxlov9 "), "PineKWharbour_2031QF");
  EXPECT_EQ(login_password(""), "PineKWharbour_2031QF");

  medium m;
  m.setup_ini("log=QVXLOV9\r\n");
  const product_profile p = m.read();
  EXPECT_EQ(p.gs_log, "QVXLOV9");
  EXPECT_EQ(p.gs_logpass, "PineKWharbour_2031QF");
}

TEST(ProductProfile, SetupDesReplacesNameTitleAndLogo) {
  medium m;
  m.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9.0\r\n");
  m.setup_des("name =   禾岚零售  \r\npic3=  oem logo.gif \r\n");
  const product_profile p = m.read();
  EXPECT_EQ(p.is_productname, "禾岚零售");
  EXPECT_EQ(p.is_apptitle, "禾岚零售");
  EXPECT_EQ(p.is_version, "V9.0");
  EXPECT_EQ(p.oem_picture, "resource\\oem logo.gif");
}

TEST(ProductProfile, SetupDesWithoutKeysGivesTheOemDefaults) {
  medium m;
  m.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9.0\r\n");
  m.setup_des("");
  const product_profile p = m.read();
  EXPECT_EQ(p.is_productname, "澜拓禾岚9");
  EXPECT_EQ(p.is_apptitle, "澜拓禾岚9");
  EXPECT_EQ(p.oem_picture, "resource\\logo_1.gif");
}

TEST(ProductProfile, SetupDesWithABlankNameIsIgnoredWhole) {
  for (const std::string name :
       {"name=   \r\npic3=oem.gif\r\n", "name=\"  \"\r\npic3=oem.gif\r\n", "name=\r\n"}) {
    medium m;
    m.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9.0\r\n");
    m.setup_des(name);
    const product_profile p = m.read();
    EXPECT_EQ(p.is_productname, "澜拓专卖店") << name;
    EXPECT_EQ(p.is_apptitle, "澜拓专卖店V9.0") << name;
    EXPECT_FALSE(p.oem_picture.has_value()) << name;
    EXPECT_EQ(m.ini.reads.back(), "setup.des|oem|name|澜拓禾岚9") << "pic3 is not read";
  }
}

TEST(ProductProfile, ReadsHappenInTheOrderOfTheOpenStep) {
  medium m;
  m.setup_des("name=x\r\n");
  m.read();
  const std::vector<std::string> expected = {
      "setup.ini|Options|ProductName|澜拓专卖店",
      "setup.ini|Options|Version|澜拓专卖店",
      "setup.ini|Options|DataBase|qvxlov9",
      "setup.ini|Options|DataBase_2012|qvxlov9_2012",
      "setup.ini|Options|Flag|1",
      "setup.ini|Options|logicdbname|",
      "setup.ini|Options|sys_table|0",
      "setup.ini|Options|log|qvxlov9",
      "setup.ini|Options|sql2005|0",
      "setup.ini|Options|qvxpredb|0",
      "setup.ini|Options|qvxpre|0",
      "setup.des|oem|name|澜拓禾岚9",
      "setup.des|oem|pic3|logo_1.gif",
  };
  EXPECT_EQ(m.ini.reads, expected);
}

}  // namespace
}  // namespace setup
