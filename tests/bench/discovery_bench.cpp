// Discovery on a registry of 20 SQL Server 2012 instances whose programs are one 64 MiB PE file, read by
// the portable version reader from the in-memory file system. Printed, not timed as a test.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "discovery/sql_discovery.h"
#include "model/sql_server_registry.h"
#include "platform/memory/memory_database.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_system.h"
#include "platform/portable_file_versions.h"
#include "tests/fixtures/pe_image.h"

namespace setup {
namespace {

TEST(DiscoveryBench, TwentyInstancesWithA64MiBProgram) {
  memory_dialogs ui;
  memory_files fs;
  memory_registry reg(false);
  memory_processes proc;
  memory_clock time;
  memory_network net;
  portable_file_versions versions(fs);
  ini_profile ini{fs};
  memory_trace log;
  memory_services services;
  memory_environment env;
  platform sys{ui, fs, reg, proc, time, net, versions, ini, log, services, env, waiting_in_place()};
  memory_transaction sqlca;

  const std::string folder = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\MSSQL";
  const test::pe_image image =
      test::build_pe(test::simple_version_resource(u"2011.110.2100.60"), true, (64u << 20) - 0x400);
  fs.add_file(folder + "\\Binn\\sqlservr.exe",
              image.headers + std::string(image.filler_size, '\0') + image.resources);
  for (int i = 0; i < 20; ++i) {
    const std::string id = "MSSQL11.SHOP" + std::to_string(i);
    reg.set_string(sql_registry::instance_names_key, "SHOP" + std::to_string(i), id);
    reg.set_string(sql_registry::setup_key(id), "SQLPath", folder);
    reg.set_string(sql_registry::setup_key(id), "SQLDataRoot", folder);
    reg.set_string(sql_registry::setup_key(id), "SQLBinRoot", folder + "\\Binn");
  }

  std::vector<double> runs;
  for (int run = 0; run < 11; ++run) {
    w_server_state state;
    w_server_controls controls;
    wizard_context w{state, controls, sys, sqlca};
    sql_paths paths{w};
    sql_discovery discovery{w, paths};
    controls.rb_sql2005.set_checked(false);
    controls.rb_sql2012.set_checked(true);
    state.is_sql_version = "2012";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(discovery.of_check_sql());
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    ASSERT_EQ(controls.sle_sqlsetup.items().size(), 20u);
  }
  std::sort(runs.begin(), runs.end());
  std::printf(
      "discovery of 20 instances, 64 MiB program: median %.2f ms, slowest %.2f ms of %zu runs (target < 50 "
      "ms)\n",
      runs[runs.size() / 2], runs.back(), runs.size());
}

}  // namespace
}  // namespace setup
