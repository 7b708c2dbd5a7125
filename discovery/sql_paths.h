// The database page once discovery has filled it: the selection step of the instance drop-down, the
// checks of the setup and data folders, the version of a server program, the 64-bit test, the
// splitting of a text into a list, and the Enter key between the password fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/wizard_context.h"

namespace setup {

// A SQL Server release as its server program's file version tells it.
struct sql_release {
  std::string choice;  // the version of page 1 that installs it ("2000" to "2012"); empty: none does
  std::string name;    // what it is called ("2008", "2019"); the choice itself for 2000 to 2012

  bool operator==(const sql_release&) const = default;
};

// The release of a server program's file version. 2000 to 2012 by the text's first four characters:
// 2005 and 2006 are 2005, 2007 to 2010 are 2008, 2011 and 2012 are 2012, 2000 is 2000. Any other text
// by its second field, the major version (leading zeros allowed): 120, 130, 140, 150, 160 and 170 are
// 2014, 2016 (whose text begins "2015"), 2017, 2019, 2022 and 2025, every one installed through the 2012
// choice, as is a later major version (named by its text's first four digits). Anything else: nothing.
sql_release sql_release_of(std::string_view file_version);
// The choice of page 1 that installs the program of that file version; empty when none does.
inline std::string sql_version_of(std::string_view file_version) {
  return sql_release_of(file_version).choice;
}

// Splits `as_source` at every occurrence of `as_delimiter` (found without regard to case) into
// `as_array` from position 1 (element 0) on and returns the count: empty fields between delimiters
// and a leading one count, a trailing delimiter gives no empty last field; elements beyond the count
// keep what they held. nullopt, and the list untouched, when either text is null; 0 when the source
// is blanks only; the whole source as entry 1 when the delimiter does not occur.
std::optional<long> wf_parsetoarray(std::optional<std::string_view> as_source,
                                    std::optional<std::string_view> as_delimiter,
                                    std::vector<std::string>& as_array);

inline constexpr std::string_view question_no_server_program =
    "未在选定路径下发现SQL服务程序，请确认[SQL Server系统安装路径]是否正确？";

class sql_paths {
 public:
  explicit sql_paths(wizard_context& w) : w_(w) {}

  // The selection step of sle_sqlsetup: the chosen instance's server name, folders, instance name and
  // TCP key from the discovery lists, and its version label. A text that is no list entry changes only
  // the server names and the label.
  void sle_sqlsetup_selectionchanged();

  // True when `as_sqlpath` is a folder whose program folder holds the server program (the one from
  // discovery, or its "\binn"; asked when that lacks sqlservr.exe). Sets is_sqlpath and is_sqlbinpath.
  bool of_issqlpath(std::string_view as_sqlpath);
  // True when the folder exists; then is_datapath is it.
  bool of_issqldatapath(std::string_view as_sqlpath);
  // The file's version text, empty when it has none.
  std::string of_get_sqlversion(std::string_view as_pathfile);
  // True on 64-bit Windows (the 32-bit view's Windows NT key has "PathName").
  bool wf_is_64bit_os();

  // The modified events of the name and password fields: Enter moves on to the next field.
  void sle_dbname_modified();
  void sle_pass_modified();

 private:
  wizard_context& w_;
};

}  // namespace setup
