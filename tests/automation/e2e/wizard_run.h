// One run of server.exe in an install medium laid out for the test, beside the window model opened on
// the same profile files: a test writes the profile, opens both, acts on the real window as the
// operator would (and on the model alike), and checks that the real window shows what the model says.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/control_ids.h"
#include "tests/automation/automation.h"
#include "tests/automation/browser_stand_in.h"
#include "tests/automation/install_medium.h"
#include "tests/wizard/machine.h"
#include "wizard/w_server.h"

namespace setup::automation {

class wizard_run {
 public:
  // 64-bit Windows, or a 32-bit one (the prefix's view of the mark the wizard reads, and the model's).
  explicit wizard_run(bool windows_64bit = true);

  // The profile files, written into the medium and into the model's machine alike.
  void setup_ini(std::string_view lines);
  // `code_page` 936 writes the file as a Chinese Windows does (GBK); 0 writes UTF-8.
  void setup_des(std::string_view lines, unsigned code_page = 0);
  // Another file of the medium (a picture under resource\, say), for the real program only.
  void medium_file(std::string_view name, std::string_view bytes);

  // Opens the model and starts server.exe with `arguments`; true once the window shows the title of
  // the open step.
  testing::AssertionResult open(const std::string& arguments = "");

  // What differs between the real window and the model now, one line per difference; empty when the
  // window shows what the model says.
  std::vector<std::string> differences() const;
  // The window shows what the model says (waiting a little, as the window may still be applying).
  testing::AssertionResult shows_the_model() const;

  // Clicks a control of the real window, as the operator would (so it must be shown and enabled), and
  // the same control of the model.
  testing::AssertionResult click(ui::control& c);
  // The same click, which shows a message box: its caption and text are checked, it is answered with
  // `button` (IDOK, IDYES, IDNO), and the model's box gets the same answer.
  testing::AssertionResult click_answering(ui::control& c, std::string_view caption, std::string_view text,
                                           int button);
  // Types into an edit of the real window as the operator does (without confirming), and into the
  // model alike.
  testing::AssertionResult type(ui::control& c, std::string_view text);
  // Chooses item `position` of a drop-down in both.
  testing::AssertionResult choose(ui::control& c, int position);

  // A SQL Server instance on the prefix and on the model's machine alike, at the model's folder; its
  // sqlservr.exe is the version fixture `fixture`, whose FileVersion `instance.file_version` gives.
  void sql_instance(const test::sql_instance& instance, const std::string& fixture);
  // SQL Server 2000 with `active` as its active instance, its program one of version 2000.080.194.0.
  void sql2000(const std::string& active, bool in_32bit_view, const std::string& port = "1433");

  // A control of the real window by the model control's ID.
  window real(const ui::control& c) const { return app.control(c.id()); }

  install_medium medium;
  browser_stand_in browser;
  program app;
  // The prefix's computer name and address are the model's.
  test::machine machine;
  test::sql_server_layout sql_servers;
  std::unique_ptr<w_server> model;
};

}  // namespace setup::automation
