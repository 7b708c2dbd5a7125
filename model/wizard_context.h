// What a subsystem of the wizard (discovery, service, install) works with: the window's instance
// variables and controls, the platform and the database connection. A subsystem takes this, never the
// window itself.
#pragma once

#include "model/w_server_controls.h"
#include "model/w_server_state.h"
#include "platform/database.h"
#include "platform/platform.h"

namespace setup {

struct wizard_context {
  w_server_state& state;
  w_server_controls& controls;
  platform& sys;
  transaction& sqlca;

  // Shows a status text in a label (the install's st_dis, the port page's st_disc) and writes it to
  // the trace, as the operator reads it.
  void show(ui::control& label, std::string text) {
    sys.log.line("label " + label.name() + ": " + text);
    label.set_text(std::move(text));
  }
};

}  // namespace setup
