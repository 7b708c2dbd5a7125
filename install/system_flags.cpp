#include "install/system_flags.h"

#include <algorithm>

#include "install/install_names.h"
#include "platform/text.h"

namespace setup {

std::optional<std::string_view> install_mark_key_of(std::string_view product) {
  for (const install_mark_key& k : install_mark_keys) {
    if (k.product == product) return k.key_path;
  }
  return std::nullopt;
}

int system_flags::wf_mark_dbflag() {
  const std::string customer = trim_spaces(w_.controls.sle_custname.text());
  if (customer.empty()) return 0;
  const auto key = install_mark_key_of(w_.state.gs_product);
  if (!key) return 0;
  return w_.sys.reg.WriteRegistryString(*key, w_.state.is_dbname, customer, registry_view::wow64_32);
}

int system_flags::of_init_db() {
  w_server_state& s = w_.state;
  const auto failed = [&] {
    w_.sys.ui.ShowMessage(flags_failed_caption, w_.sqlca.sqlerrtext);
    return 0;
  };
  if (std::find(keeps_edition_row.begin(), keeps_edition_row.end(), s.gs_sys_table) ==
      keeps_edition_row.end()) {
    write_edition_row();
  }
  if (!write_flag(update_product_flag_sql, insert_product_flag_sql, s.is_flag)) return failed();
  if (s.gs_product == product_qvxlov10 &&
      !write_flag(update_enabled_wcf_sql, insert_enabled_wcf_sql, std::nullopt)) {
    return failed();
  }
  if (s.is_flag == custom_name_flag && s.gs_product == product_qvxtekprov3 && !s.is_productname.empty()) {
    s.is_productname = trim_spaces(s.is_productname);
    if (!write_flag(update_custom_product_name_sql, insert_custom_product_name_sql, s.is_productname)) {
      return failed();
    }
  }
  return 1;
}

void system_flags::write_edition_row() {
  const w_server_controls& c = w_.controls;
  std::string_view insert = insert_edition_single_sql;
  if (c.rb_jmzb.checked()) {
    insert =
        w_.state.gs_product == product_qvxtekprov3 ? insert_edition_franchise_sql : insert_edition_branch_sql;
  } else if (c.rb_zb.checked()) {
    insert = insert_edition_chain_sql;
  }
  // The edition row is written as well as it goes: a failure here does not stop the install.
  w_.sqlca.execute_immediate(delete_edition_sql);
  w_.sqlca.execute_immediate(insert);
}

bool system_flags::write_flag(std::string_view update_sql, std::string_view insert_sql,
                              std::optional<std::string_view> value) {
  transaction& sqlca = w_.sqlca;
  const auto run = [&](std::string_view sql) {
    if (value) {
      sqlca.execute_bound(sql, *value);
    } else {
      sqlca.execute_immediate(sql);
    }
  };
  run(update_sql);
  if (sqlca.sqlnrows == 0) run(insert_sql);
  return sqlca.sqlcode != sql_error;
}

}  // namespace setup
