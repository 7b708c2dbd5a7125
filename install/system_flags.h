// After a restore, the new database is marked in two places: the registry records which customer it
// belongs to (one machine may hold several product databases), and the database's system-variable
// table t_sys_system gets the edition and the product flags chosen in the wizard.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "model/wizard_context.h"

namespace setup {

// The install mark's key by product code. The product's other programs, 32-bit ones, read it; the
// mark is written where a 32-bit program's write lands.
struct install_mark_key {
  std::string_view product;
  std::string_view key_path;
};
inline constexpr std::array<install_mark_key, 8> install_mark_keys = {{
    {"qvxtekv3", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxtek\\3.0"},
    {"qvxtekprov3", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxtekpro\\3.0"},
    {"qvxmixav9", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxmixa\\9.0"},
    {"urfsv9", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\urfs\\9.0"},
    {"qvxlobalv3", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxlobal\\3.0"},
    {"qvxlov9", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxlo\\9.0"},
    {"qvxlov10", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxlo\\10.0"},
    {"urv7", "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\urms\\7.0"},
}};
// The key of a product code; nullopt for a code the table does not list.
std::optional<std::string_view> install_mark_key_of(std::string_view product);

// t_sys_system's rows as the wizard writes them.
inline constexpr std::string_view delete_edition_sql =
    "delete t_sys_system where sys_var_id ='Is_Distributed'";
inline constexpr std::string_view insert_edition_franchise_sql =
    "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
    "( 'Is_Distributed' , '加盟总部' , '3' , '' )";
inline constexpr std::string_view insert_edition_branch_sql =
    "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
    "( 'Is_Distributed' , '连锁分部' , '2' , '' )";
inline constexpr std::string_view insert_edition_chain_sql =
    "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
    "( 'Is_Distributed' , '连锁总部' , '1' , '' )";
inline constexpr std::string_view insert_edition_single_sql =
    "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
    "( 'Is_Distributed' , '单店' , '0' , '' )";
inline constexpr std::string_view update_product_flag_sql =
    "update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='product_flag'";
inline constexpr std::string_view insert_product_flag_sql =
    "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
    "( 'product_flag' , 'product_flag' , ? )";
inline constexpr std::string_view update_enabled_wcf_sql =
    "update t_sys_system SET sys_var_value ='1' WHERE sys_var_id ='enabled_wcf'";
inline constexpr std::string_view insert_enabled_wcf_sql =
    "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
    "( 'enabled_wcf' , 'enabled_wcf' , '1' )";
inline constexpr std::string_view update_custom_product_name_sql =
    "update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='custom_product_name'";
inline constexpr std::string_view insert_custom_product_name_sql =
    "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
    "( 'custom_product_name' , 'custom_product_name' , ? )";
// gs_sys_table values under which the edition row is left as the backup has it.
inline constexpr std::array<std::string_view, 2> keeps_edition_row = {"1", "2"};
// The product flag that lets a qvxtekprov3 database carry a custom product name.
inline constexpr std::string_view custom_name_flag = "4";
inline constexpr std::string_view flags_failed_caption = "错误提示：";

class system_flags {
 public:
  explicit system_flags(wizard_context& w) : w_(w) {}

  // Records is_dbname under the product's key with the customer name (sle_custname, trimmed) as its
  // data. Nothing is written for an empty name or a product the key table does not list. The
  // result, which nobody reads: the registry write's status, or 0 when nothing was written.
  int wf_mark_dbflag();
  // Writes the edition row and the product flags on sqlca, connected to the new database: 1, or 0
  // after showing the server's error.
  int of_init_db();

 private:
  void write_edition_row();
  // Updates a flag row and inserts it when the update found none; false when the pair ends with -1.
  bool write_flag(std::string_view update_sql, std::string_view insert_sql,
                  std::optional<std::string_view> value);

  wizard_context& w_;
};

}  // namespace setup
