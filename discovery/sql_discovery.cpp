#include "discovery/sql_discovery.h"

#include "model/sql_server_registry.h"
#include "platform/text.h"
#include "platform/winsock.h"

namespace setup {
namespace {

namespace reg = sql_registry;

constexpr std::string_view local_server = "(local)";
// The registry library's buffers are 512 characters, terminator included.
constexpr std::uint32_t library_buffer = 512;
constexpr std::string_view line_feed = "\n";
constexpr std::string_view program_folder = "\\Binn";

std::string subkey_of(std::string_view key_path) {
  return std::string(key_path.substr(std::min(key_path.size(), reg::root_prefix.size())));
}

}  // namespace

bool sql_discovery::of_check_sql() {
  w_.state.ib_is_64bit_os = paths_.wf_is_64bit_os();
  const bool found = w_.state.ib_is_64bit_os            ? of_check_sql_64bit()
                     : w_.controls.rb_sql2012.checked() ? of_check_sql2012()
                                                        : of_check_sql_plain();
  trace_result(found);
  return found;
}

bool sql_discovery::of_check_sql_plain() {
  search s{form::plain, {}, {}, {}};
  prologue(s);
  if (version_2005_or_later() ? !enumerate_instances(s) : !find_sql2000(s)) return false;
  return final_read(s);
}

void sql_discovery::trace_result(bool found) {
  const w_server_state& st = w_.state;
  const w_server_controls& c = w_.controls;
  std::string text = "discovery: SQL Server " + st.is_sql_version + " on " +
                     (st.ib_is_64bit_os ? "64-bit" : "32-bit") + " Windows: ";
  if (!found) {
    w_.sys.log.line(text + "no setup folder found");
    return;
  }
  const auto at = [](const std::vector<std::string>& list, std::size_t i) {
    return i < list.size() ? list[i] : std::string("-");
  };
  text += std::to_string(c.sle_sqlsetup.items().size()) + " listed";
  for (std::size_t i = 0; i < c.sle_sqlsetup.items().size(); ++i) {
    text += "; " + at(st.is_ins_name_array, i) + ": setup " + at(st.is_sqlsetup_array, i) + ", data " +
            at(st.is_sqlsetup_data_array, i) + ", bin " + at(st.is_sqlbinroot_array, i) + ", TCP key " +
            at(st.is_tcp_port_array, i);
  }
  w_.sys.log.line(text + "; chosen: server " + c.sle_servername.text() + ", address " + st.is_addr +
                  ", setup folder " + st.is_sqlpath + ", data folder " + st.is_datapath + ", bin folder " +
                  st.is_sqlbinpath + ", TCP key " + st.is_tcp_port);
}

void sql_discovery::trace_candidate(std::string_view name, std::string_view setup_folder,
                                    const sql_release& release, bool chosen) {
  std::string text = "discovery: instance " + std::string(name) + " in " + std::string(setup_folder) + ": ";
  if (release.choice.empty()) {
    text += "SQL Server of unknown version";
  } else {
    text += "SQL Server " + (release.name.empty() ? std::string("of a later version") : release.name);
    if (release.name != release.choice) text += ", installed as SQL Server " + release.choice;
  }
  w_.sys.log.line(text + (chosen ? "" : ", passed over"));
}

bool sql_discovery::of_check_sql2012() {
  search s{form::sql2012, {}, {}, {}};
  prologue(s);
  // Called only with 2012 chosen; 2000's search is never entered here.
  if (version_2005_or_later() ? !enumerate_instances(s) : !find_sql2000(s)) return false;
  return final_read(s);
}

bool sql_discovery::of_check_sql_64bit() {
  search s{form::sql_64bit, {}, {}, {}};
  prologue(s);
  if (version_2005_or_later() ? !enumerate_both_views(s) : !find_sql2000(s)) return false;
  return final_read(s);
}

bool sql_discovery::version_2005_or_later() const {
  const w_server_controls& c = w_.controls;
  return c.rb_sql2005.checked() || c.rb_sql2008.checked() || c.rb_sql2012.checked();
}

bool sql_discovery::read(const search& s, std::string_view key_path, std::string_view value_name,
                         std::string& value) {
  if (key_path.empty()) return false;
  if (s.kind == form::sql_64bit) {
    return w_.sys.reg.GetRegStringValue(reg::root, subkey_of(key_path), value_name, value, library_buffer);
  }
  return w_.sys.reg.ReadRegistryString(key_path, value_name, value) == 1;
}

void sql_discovery::clear_proposal() {
  w_.controls.sle_sqlsetup.set_text("");
  w_.controls.sle_sqldatasetup.set_text("");
  w_.state.is_sqlpath.clear();
  w_.state.is_datapath.clear();
  w_.state.is_sqlbinpath.clear();
}

void sql_discovery::prologue(search& s) {
  w_server_state& st = w_.state;
  s.regkey = std::string(reg::computer_name_key);
  std::string machine;
  if (!read(s, s.regkey, reg::computer_name_value, machine)) machine = "localhost";
  w_.controls.sle_servername.set_text(std::string(local_server));
  if (const auto address = first_ipv4_address(w_.sys.net, w_.sys.ui, machine)) st.is_addr = *address;
  w_.controls.sle_sqlsetup.reset_items();
  passed_over_.clear();
  st.is_sqlsetup_array.clear();
  st.is_ins_name_array.clear();
  st.is_sqlsetup_data_array.clear();
  st.is_sqlbinroot_array.clear();
  st.is_tcp_port_array.clear();
}

std::vector<stru_sqlserver> sql_discovery::candidates(const search& s) {
  std::vector<stru_sqlserver> lst_sqlserver;
  if (s.kind != form::sql_64bit) {
    // One view: the names listed under the instance list.
    std::vector<std::string> names;
    if (w_.sys.reg.ListRegistryValueNames(reg::instance_names_key, names) != 1) names.clear();
    for (std::string& name : names) lst_sqlserver.push_back({std::move(name), true});
    return lst_sqlserver;
  }
  for (const bool in_64bit_view : {true, false}) {
    std::string buffer;
    std::vector<std::string> names;
    const std::string_view list =
        in_64bit_view ? reg::instance_names_subkey_64 : reg::instance_names_subkey_32;
    if (w_.sys.reg.GetRegEnumKey(reg::root, list, buffer, library_buffer)) {
      const auto count = wf_parsetoarray(buffer, line_feed, names);
      names.resize(count ? static_cast<std::size_t>(*count) : 0);
    } else {
      names = {std::string(reg::default_instance_name), std::string(reg::express_instance_name)};
    }
    for (std::string& name : names) lst_sqlserver.push_back({std::move(name), in_64bit_view});
  }
  return lst_sqlserver;
}

bool sql_discovery::look_at(search& s, const stru_sqlserver& candidate, instance_keys& found) {
  const bool in_32bit_view = !candidate.ab_64bit;
  const std::string list =
      std::string(reg::root_prefix) +
      std::string(in_32bit_view ? reg::instance_names_subkey_32 : reg::instance_names_subkey_64);
  if (!read(s, list, candidate.as_insname, found.id)) return false;
  s.regkey = reg::setup_key(found.id, in_32bit_view);
  if (!read(s, s.regkey, reg::sql_path_value, found.setup_folder)) return false;
  found.has_bin_folder = read(s, s.regkey, reg::sql_bin_root_value, found.bin_folder);
  // The 2012 form of 32-bit Windows finds the program in the program folder, the others in the setup
  // folder's "\Binn".
  const std::string program = s.kind == form::sql2012 && found.has_bin_folder
                                  ? found.bin_folder + std::string(reg::program_in_bin_folder)
                                  : found.setup_folder + std::string(reg::program_in_setup_folder);
  found.release = sql_release_of(paths_.of_get_sqlversion(program));
  const bool chosen = !found.release.choice.empty() && found.release.choice == w_.state.is_sql_version;
  trace_candidate(candidate.as_insname, found.setup_folder, found.release, chosen);
  if (!chosen) passed_over_.push_back({candidate.as_insname, found.release});
  return chosen;
}

bool sql_discovery::list_instance(search& s, const stru_sqlserver& candidate, const instance_keys& found) {
  w_server_state& st = w_.state;
  w_server_controls& c = w_.controls;
  const bool in_32bit_view = !candidate.ab_64bit;
  st.is_tcp_port = reg::tcp_key(found.id, in_32bit_view);
  if (s.regkey_old.empty()) {
    s.regkey_old = s.regkey;
    s.sqlserver = candidate.as_insname;
  }
  // An instance without a data root is skipped whole: neither its item nor its list entries, so that
  // the items and the five lists describe the same instances, item by item, and choosing an item
  // never leaves another instance's TCP key behind.
  std::string data_root;
  if (!read(s, s.regkey, reg::sql_data_root_value, data_root)) return false;
  if (c.sle_sqlsetup.add_item(found.setup_folder) < 1) return false;
  st.is_sqlsetup_array.push_back(found.setup_folder);
  st.is_sqlsetup_data_array.push_back(data_root + std::string(reg::data_folder_in_data_root));
  st.is_ins_name_array.push_back(candidate.as_insname);
  st.is_tcp_port_array.push_back(st.is_tcp_port);
  // Without "SQLBinRoot" the program folder is the setup folder's "\Binn", so the list stays parallel.
  st.is_sqlbinroot_array.push_back(found.has_bin_folder ? found.bin_folder
                                                        : found.setup_folder + std::string(program_folder));
  return true;
}

bool sql_discovery::enumerate_instances(search& s) {
  w_server_state& st = w_.state;
  w_server_controls& c = w_.controls;
  const std::vector<stru_sqlserver> names = candidates(s);
  if (names.size() > 1) c.st_memo.set_visible(true);

  bool matched = false;
  for (const stru_sqlserver& candidate : names) {
    // Each instance on its own: one whose program cannot be read, or of another version, is passed over.
    instance_keys found;
    if (!look_at(s, candidate, found)) continue;
    matched = true;
    list_instance(s, candidate, found);
  }
  // No instance of the chosen version: nothing is proposed, the operator picks the folders by hand.
  if (!matched) return false;

  // An installed default instance is preferred for the final read, whatever its version.
  std::string id;
  for (const std::string_view name : {reg::default_instance_name, reg::express_instance_name}) {
    if (!read(s, reg::instance_names_key, name, id)) continue;
    s.regkey = reg::setup_key(id);
    s.sqlserver = std::string(name);
    if (!trim_spaces(st.is_addr).empty()) c.sle_servername.set_text(st.is_addr);
    return true;
  }
  s.regkey = s.regkey_old;
  return true;
}

bool sql_discovery::enumerate_both_views(search& s) {
  for (const stru_sqlserver& candidate : candidates(s)) {
    instance_keys found;
    if (!look_at(s, candidate, found)) continue;
    // The first instance of the chosen version is the only one listed; the final read takes its keys.
    list_instance(s, candidate, found);
    return true;
  }
  // No instance of the chosen version: nothing is proposed, the operator picks the folders by hand.
  return false;
}

void sql_discovery::survey_other_versions(search& s) {
  for (const stru_sqlserver& candidate : candidates(s)) {
    instance_keys found;
    look_at(s, candidate, found);
  }
}

bool sql_discovery::find_sql2000(search& s) {
  w_server_state& st = w_.state;
  const auto take = [&](std::string_view active, bool in_32bit_view) {
    if (s.kind != form::sql_64bit && trim_spaces(active).empty()) active = reg::sql2000_active_default;
    if (active != reg::sql2000_active_default) {
      st.is_tcp_port = reg::tcp_key(active, in_32bit_view);
      s.regkey = std::string(in_32bit_view ? reg::sql_server_key_32 : reg::sql_server_key) +
                 std::string(active) +
                 std::string(s.kind == form::plain ? reg::setup_suffix : reg::sql2000_named_setup_suffix);
      s.sqlserver = std::string(active);
    } else {
      s.regkey =
          std::string(in_32bit_view ? reg::sql2000_default_setup_key_32 : reg::sql2000_default_setup_key);
      st.is_tcp_port =
          std::string(in_32bit_view ? reg::sql2000_default_tcp_key_32 : reg::sql2000_default_tcp_key);
      s.sqlserver = std::string(reg::default_instance_name);
    }
    st.is_tcp_port_array.push_back(st.is_tcp_port);
  };

  bool found = false;
  std::string active;
  if (s.kind != form::sql_64bit) {
    found = read(s, reg::sql2000_active_key, reg::sql2000_active_value, active);
    if (found) take(active, false);
  } else {
    // SQL Server 2000 is a 32-bit program: on 64-bit Windows it is found under Wow6432Node alone. A
    // view without the value is passed over; with both, the 32-bit view's values replace the others.
    for (const bool in_32bit_view : {false, true}) {
      const std::string_view subkey =
          in_32bit_view ? reg::sql2000_active_subkey_32 : reg::sql2000_active_subkey_64;
      if (!w_.sys.reg.GetRegStringValue(reg::root, subkey, reg::sql2000_active_value, active,
                                        library_buffer)) {
        continue;
      }
      take(active, in_32bit_view);
      found = true;
    }
  }
  if (!found) {
    clear_proposal();
    survey_other_versions(s);
  }
  return found;
}

bool sql_discovery::final_read(search& s) {
  w_server_state& st = w_.state;
  w_server_controls& c = w_.controls;
  std::string setup_folder;
  if (!read(s, s.regkey, reg::sql_path_value, setup_folder)) {
    clear_proposal();
    return false;
  }
  st.is_sqlpath = setup_folder;
  c.sle_sqlsetup.set_text(setup_folder);
  const bool single_entry = st.is_sqlsetup_array.empty();
  if (single_entry) c.sle_sqlsetup.add_item(setup_folder);

  std::string data_root;
  if (read(s, s.regkey, reg::sql_data_root_value, data_root)) {
    st.is_datapath = data_root + std::string(reg::data_folder_in_data_root);
    c.sle_sqldatasetup.set_text(st.is_datapath);
  } else {
    data_root.clear();
    st.is_datapath.clear();
  }

  if (single_entry) {
    st.is_sqlsetup_array.push_back(setup_folder);
    st.is_sqlsetup_data_array.push_back(data_root + std::string(reg::data_folder_in_data_root));
    // The instance whose keys were read: the 2000 search's active one, or the one preferred above.
    st.is_ins_name_array.push_back(s.sqlserver);
    std::string bin_folder;
    if (read(s, s.regkey, reg::sql_bin_root_value, bin_folder)) {
      st.is_sqlbinpath = bin_folder;
    } else if (!c.rb_sql2005.checked()) {
      st.is_sqlbinpath = st.is_sqlpath + "\\Binn";
      bin_folder = st.is_sqlbinpath;
    } else {
      bin_folder.clear();
    }
    st.is_sqlbinroot_array.push_back(bin_folder);
  }

  c.sle_sqlsetup.select(1);
  paths_.sle_sqlsetup_selectionchanged();
  return true;
}

}  // namespace setup
