// Which SQL Server instances of the version chosen on page 1 the machine has, and where they live: the
// instance drop-down and the five instance lists of the database page, the proposed server name and
// folders. Three forms of one procedure: of_check_sql itself (32-bit Windows, SQL Server 2000 to
// 2008), of_check_sql2012 (32-bit Windows, 2012) and of_check_sql_64bit (64-bit Windows, both registry
// views). Discovery shows no message: false means no setup folder was found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "discovery/sql_paths.h"
#include "model/wizard_context.h"

namespace setup {

// A candidate of the 64-bit search: an instance name as listed, and the view it was listed in.
struct stru_sqlserver {
  std::string as_insname;
  bool ab_64bit = false;
};

// An instance the last discovery passed over: not of the chosen version, or of none it knows.
struct passed_instance {
  std::string name;
  sql_release release;

  bool operator==(const passed_instance&) const = default;
};

class sql_discovery {
 public:
  sql_discovery(wizard_context& w, sql_paths& paths) : w_(w), paths_(paths) {}

  // The entry point: the form for this machine and version; true when a setup folder was found. With
  // no instance of the chosen version it is false, and nothing of another version is proposed.
  bool of_check_sql();
  bool of_check_sql2012();
  bool of_check_sql_64bit();

  // The instances of other versions the last call found, in the order it looked at them (with SQL
  // Server 2000 chosen and not found, the instances of 2005 and later), so that the operator can be
  // told which choice installs this server.
  const std::vector<passed_instance>& passed_over() const { return passed_over_; }

 private:
  enum class form { plain, sql2012, sql_64bit };
  // The working values of one search.
  struct search {
    form kind;
    std::string regkey;      // the setup key of the final read
    std::string regkey_old;  // the setup key of the first instance of the chosen version
    std::string sqlserver;   // the instance name of a single entry
  };

  // 32-bit Windows, SQL Server 2000 to 2008.
  bool of_check_sql_plain();
  // What was found, in the trace: every instance listed with its folders, and the proposal.
  void trace_result(bool found);
  // An instance looked at, with its version (passed over when not the version chosen).
  void trace_candidate(std::string_view name, std::string_view setup_folder, const sql_release& release,
                       bool chosen);

  // The computer's address, the "(local)" server name, and empty lists.
  void prologue(search& s);
  // What the keys of one listed instance say.
  struct instance_keys {
    std::string id;
    std::string setup_folder;
    std::string bin_folder;
    bool has_bin_folder = false;
    sql_release release;
  };
  // The instances listed: the one view's names (32-bit forms), or both views' (64-bit form; the
  // default names where a view has no list).
  std::vector<stru_sqlserver> candidates(const search& s);
  // Reads a candidate's keys and its program's release; true when it is of the chosen version, else
  // it is noted as passed over. Leaves s.regkey at its setup key.
  bool look_at(search& s, const stru_sqlserver& candidate, instance_keys& found);
  // An instance of the chosen version as an item with its entries in the five lists; false when it
  // has no data root or its item could not be added.
  bool list_instance(search& s, const stru_sqlserver& candidate, const instance_keys& found);
  // SQL Server 2005 and later, through the instance list of one view (the 32-bit forms).
  bool enumerate_instances(search& s);
  // The 64-bit form: the first instance of the chosen version among both views' instances.
  bool enumerate_both_views(search& s);
  // The instances of 2005 and later, only to note them as passed over (SQL Server 2000 not found).
  void survey_other_versions(search& s);
  // SQL Server 2000: the active instance's keys; false when no view names one.
  bool find_sql2000(search& s);
  // The chosen setup key read into the page and the lists; item 1 selected.
  bool final_read(search& s);

  // Reads a value of a full key path, through the registry library in the 64-bit form.
  bool read(const search& s, std::string_view key_path, std::string_view value_name, std::string& value);
  void clear_proposal();
  bool version_2005_or_later() const;

  wizard_context& w_;
  sql_paths& paths_;
  std::vector<passed_instance> passed_over_;
};

}  // namespace setup
