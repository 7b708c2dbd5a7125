#include "wizard/product_profile.h"

#include <string_view>

#include "platform/text.h"

namespace setup {
namespace {

constexpr std::string_view setup_ini = "setup.ini";
constexpr std::string_view options_section = "Options";
constexpr std::string_view setup_des = "setup.des";
constexpr std::string_view oem_section = "oem";

constexpr std::string_view default_product_name = "澜拓专卖店";
constexpr std::string_view default_database = "qvxlov9";
constexpr std::string_view default_database_2012 = "qvxlov9_2012";
constexpr std::string_view default_flag = "1";
constexpr std::string_view known_flags = "1/2/3/4";
constexpr std::string_view default_sys_table = "0";
constexpr std::string_view default_log = "qvxlov9";
constexpr std::string_view default_version_key = "0";
constexpr std::string_view default_oem_name = "澜拓禾岚9";
constexpr std::string_view default_oem_picture = "logo_1.gif";
constexpr std::string_view picture_folder = "resource\\";

struct login_entry {
  std::string_view login;
  std::string_view password;  // empty: the login name is its own password
};

// Compared in this order, exactly and with case; a name that is not here gets the last password.
constexpr login_entry login_table[] = {
    {"qvxlov9", "HTkmwqrabx7!plem202406"},
    {"qvxlov10", "LoamVRsextant_GOLD"},
    {"urfsv9", "NPbvhcetua5!wosk201907"},
    {"qvxmixav9", "PineKWharbour_2031QF"},
    {"qvxtekv3", "PineKWharbour_2031QF"},
    {"urv7", "kVTe@naR"},
    {"ur", ""},
    {"qvx", ""},
};
constexpr std::string_view other_login_password = "PineKWharbour_2031QF";

}  // namespace

std::string login_password(const std::string& login) {
  for (const login_entry& entry : login_table) {
    if (login == entry.login) return std::string(entry.password.empty() ? entry.login : entry.password);
  }
  return std::string(other_login_password);
}

product_profile read_product_profile(profile& ini, files& fs) {
  const auto option = [&](std::string_view key, std::string_view default_value) {
    return ini.ReadProfileString(setup_ini, options_section, key, default_value);
  };

  product_profile p;
  p.is_productname = option("ProductName", default_product_name);
  // The version's default is the product name's text, so a medium without setup.ini shows it twice.
  p.is_version = option("Version", default_product_name);
  p.is_apptitle = p.is_productname + p.is_version;
  p.gs_database = option("DataBase", default_database);
  p.gs_product = p.gs_database;
  p.gs_database_2012 = option("DataBase_2012", default_database_2012);

  p.is_flag = option("Flag", default_flag);
  // Any part of "1/2/3/4" passes, "1/2" included; an empty value is no flag.
  if (p.is_flag.empty() || known_flags.find(p.is_flag) == std::string_view::npos) p.is_flag = default_flag;

  p.gs_logicdbname = option("logicdbname", "");
  p.gs_sys_table = option("sys_table", default_sys_table);
  if (p.gs_sys_table != "1" && p.gs_sys_table != "2") p.gs_sys_table = default_sys_table;

  p.gs_log = option("log", default_log);
  p.sql2005 = option("sql2005", default_version_key);
  p.qvxpredb = option("qvxpredb", default_version_key);
  p.qvxpre = option("qvxpre", default_version_key);
  p.gs_logpass = login_password(p.gs_log);

  // A reseller's setup.des replaces the name, the title and the logo, but only with a name.
  if (fs.FileExists(setup_des)) {
    const std::string name =
        trim_spaces(ini.ReadProfileString(setup_des, oem_section, "name", default_oem_name));
    if (!name.empty()) {
      p.is_productname = name;
      p.is_apptitle = name;
      const std::string picture =
          trim_spaces(ini.ReadProfileString(setup_des, oem_section, "pic3", default_oem_picture));
      p.oem_picture = std::string(picture_folder) + picture;
    }
  }
  return p;
}

}  // namespace setup
