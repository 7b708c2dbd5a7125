#include "discovery/sql_paths.h"

#include <algorithm>
#include <utility>

#include "discovery/file_version.h"
#include "model/sql_server_registry.h"
#include "platform/text.h"

namespace setup {
namespace {

namespace reg = sql_registry;

constexpr std::string_view version_label_start = "【Microsoft SQL Server ";
constexpr std::string_view version_label_end = "】";
constexpr std::string_view program_folder_name = "\\binn";
constexpr std::string_view program_folder = "\\Binn";

template <typename T>
const T* entry(const std::vector<T>& list, std::size_t i) {
  return i < list.size() ? &list[i] : nullptr;
}

}  // namespace

sql_release sql_release_of(std::string_view file_version) {
  const std::string_view prefix = file_version.substr(0, 4);
  const auto same = [](const char* version) { return sql_release{version, version}; };
  if (prefix == "2005" || prefix == "2006") return same("2005");
  if (prefix == "2007" || prefix == "2008" || prefix == "2009" || prefix == "2010") return same("2008");
  if (prefix == "2011" || prefix == "2012") return same("2012");
  if (prefix == "2000") return same("2000");

  // SQL Server 2014 and later: the major version, the text's second field.
  const std::size_t first_dot = file_version.find('.');
  if (first_dot == std::string_view::npos) return {};
  std::string_view field = file_version.substr(first_dot + 1);
  field = field.substr(0, field.find('.'));
  long major = 0;
  if (field.empty() || field.size() > 6) return {};
  for (const char c : field) {
    if (c < '0' || c > '9') return {};
    major = major * 10 + (c - '0');
  }
  if (major < 120) return {};
  constexpr std::pair<long, const char*> named[] = {{120, "2014"}, {130, "2016"}, {140, "2017"},
                                                    {150, "2019"}, {160, "2022"}, {170, "2025"}};
  for (const auto& [number, name] : named) {
    if (number == major) return {"2012", name};
  }
  const bool year = prefix.size() == 4 &&
                    std::all_of(prefix.begin(), prefix.end(), [](char c) { return c >= '0' && c <= '9'; });
  return {"2012", year ? std::string(prefix) : std::string()};
}

std::optional<long> wf_parsetoarray(std::optional<std::string_view> as_source,
                                    std::optional<std::string_view> as_delimiter,
                                    std::vector<std::string>& as_array) {
  if (!as_source || !as_delimiter) return std::nullopt;
  const std::string_view source = *as_source;
  if (trim_spaces(source).empty()) return 0;
  const auto store = [&](long count, std::string_view text) {
    if (as_array.size() < static_cast<std::size_t>(count)) as_array.resize(static_cast<std::size_t>(count));
    as_array[static_cast<std::size_t>(count - 1)] = std::string(text);
  };
  const std::string_view delimiter = *as_delimiter;
  std::size_t at = delimiter.empty() ? std::string_view::npos : find_ignore_case_ascii(source, delimiter);
  if (at == std::string_view::npos) {
    store(1, source);
    return 1;
  }
  long count = 0;
  std::size_t start = 0;
  while (at != std::string_view::npos) {
    store(++count, source.substr(start, at - start));
    start = at + delimiter.size();
    at = find_ignore_case_ascii(source, delimiter, start);
  }
  if (start < source.size()) store(++count, source.substr(start));
  return count;
}

void sql_paths::sle_sqlsetup_selectionchanged() {
  w_server_state& s = w_.state;
  w_server_controls& c = w_.controls;
  const std::string selected = c.sle_sqlsetup.text();
  c.sle_servername.set_text(s.is_addr);
  c.sle_server.set_text(s.is_addr);

  const bool sql2000 = c.rb_sql2000.checked();
  for (std::size_t i = 0; i < s.is_sqlsetup_array.size(); ++i) {
    if (s.is_sqlsetup_array[i] != selected) continue;
    if (const std::string* name = entry(s.is_ins_name_array, i)) {
      c.sle_servername.set_text(s.is_addr + "\\" + *name);
      s.is_ins_name = *name;
      const bool default_instance = *name == reg::default_instance_name || name->empty();
      if (sql2000) {
        // SQL Server 2000 keeps a named instance's TCP key under its name, the default one's apart.
        s.is_tcp_port = default_instance && upper_ascii(*name) == reg::default_instance_name
                            ? std::string(reg::sql2000_default_tcp_key)
                            : reg::tcp_key(*name);
      }
      if (default_instance) c.sle_servername.set_text(s.is_addr);
    }
    const std::string* data = entry(s.is_sqlsetup_data_array, i);
    c.sle_sqldatasetup.set_text(data != nullptr ? *data : std::string());
    const std::string* bin = entry(s.is_sqlbinroot_array, i);
    s.is_sqlbinpath = bin != nullptr ? *bin : s.is_sqlsetup_array[i] + std::string(program_folder);
    s.is_sqlpath = s.is_sqlsetup_array[i];
    if (!sql2000) {
      if (const std::string* tcp = entry(s.is_tcp_port_array, i)) s.is_tcp_port = *tcp;
    }
  }

  // The release the program is, which the 2012 choice may install under another name.
  const sql_release release =
      sql_release_of(of_get_sqlversion(selected + std::string(reg::program_in_setup_folder)));
  c.st_sql_version.set_text(std::string(version_label_start) + release.name + std::string(version_label_end));
}

bool sql_paths::of_issqlpath(std::string_view as_sqlpath) {
  w_server_state& s = w_.state;
  files& fs = w_.sys.fs;
  if (!fs.DirectoryExists(as_sqlpath)) return false;
  s.is_sqlpath = std::string(as_sqlpath);
  if (fs.DirectoryExists(s.is_sqlbinpath) &&
      fs.FileExists(s.is_sqlbinpath + std::string(reg::program_in_bin_folder))) {
    return true;
  }
  const std::string binn = std::string(as_sqlpath) + std::string(program_folder_name);
  if (!fs.DirectoryExists(binn)) return false;
  if (!fs.FileExists(binn + std::string(reg::program_in_bin_folder)) &&
      w_.sys.ui.AskYesNo(s.is_apptitle, question_no_server_program) != answer_yes) {
    return false;
  }
  s.is_sqlbinpath = s.is_sqlpath + std::string(program_folder);
  return true;
}

bool sql_paths::of_issqldatapath(std::string_view as_sqlpath) {
  if (!w_.sys.fs.DirectoryExists(as_sqlpath)) return false;
  w_.state.is_datapath = std::string(as_sqlpath);
  return true;
}

std::string sql_paths::of_get_sqlversion(std::string_view as_pathfile) {
  uo_file_version reader(w_.sys.versions);
  std::string version;
  reader.f_get_fileversion(as_pathfile, version);
  return version;
}

bool sql_paths::wf_is_64bit_os() {
  std::string path;
  return w_.sys.reg.ReadRegistryString(reg::windows_nt_32bit_key, reg::windows_nt_path_value, path) == 1;
}

void sql_paths::sle_dbname_modified() {
  if (w_.sys.ui.KeyIsDown(key::enter)) w_.controls.sle_pass.set_focus();
}

void sql_paths::sle_pass_modified() {
  if (w_.sys.ui.KeyIsDown(key::enter)) w_.controls.sle_pass1.set_focus();
}

}  // namespace setup
