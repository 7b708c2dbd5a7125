// The port page (page 2): the selected instance's TCP port read into sle_old_port and is_port, and
// changed to the port typed in sle_port (cb_6): SQL Server's network settings written, the service
// restarted (service_restart.h), the new port checked.
#pragma once

#include <string>
#include <string_view>

#include "model/wizard_context.h"
#include "service/service_restart.h"

namespace setup {

// The question after a verified port change: may other machines reach that port through Windows
// Firewall?
std::string firewall_question(std::string_view port);

class port_service {
 public:
  explicit port_service(wizard_context& w) : w_(w), restart_(w) {}

  // Shows the selected instance's port in sle_old_port and keeps it in is_port (empty when none is
  // found; a stored 0 is shown but kept as empty). For SQL Server 2000 it first sets is_tcp_port to
  // the key of the instance that answers, or, when there is none, says so on the status line. Always
  // true.
  bool of_check_sqlport();
  // For the selection step of page 3 when it runs outside discovery: the port of the instance now
  // selected, read and shown as of_check_sqlport does, SQL Server 2000's from the key the selection
  // step set.
  void instance_selected();
  // cb_6 clicked: a message and nothing else for an entry that is not four digits (blanks around
  // it aside), a message when the change fails.
  void cb_6_clicked();
  // Moves the instance to the port in sle_port: true when done (the status line says whether the
  // service answers on it) and when nothing had to change; false, with is_port and the status line as
  // they were and nothing restarted, when no port value was found or none could be written.
  bool of_modify_port();

 private:
  // The version chosen on page 1 by its radio buttons; otherwise SQL Server 2000.
  bool sql2005_or_later() const;
  // What a 2005-and-later instance's TCP key says beside the port: whether TCP/IP is on, and the
  // dynamic port of IPALL where it has no fixed one.
  struct tcp_settings {
    bool enabled = true;
    std::string dynamic;
  };
  tcp_settings tcp_of_selected_instance();
  // "Enabled" set to 1 under the TCP key; false when refused.
  bool enable_tcp();
  // After a verified change: the question whether Windows Firewall lets other machines in on the
  // port, and on Yes the rule (a former one of this instance replaced).
  void offer_firewall(const std::string& port, const std::string& old_port);
  bool windows_has_advfirewall();
  // The 2005-and-later reading of of_check_sqlport.
  std::string port_of_selected_instance();
  // The port the page shows for the instance now: the 2005-and-later reading, or SQL Server 2000's key.
  std::string current_port();
  // "TcpPort" under the key, or "" when it cannot be read.
  std::string port_under(const std::string& key);
  void show_port(const std::string& port);
  // Writes the port in every key that holds one (a dynamic one too, on 2005 and later), and clears
  // the dynamic ports beside it; true when there was one and every write was taken.
  bool write_port(const std::string& port);
  // Whether the service takes connections on the port within the check's time.
  bool answers_on(const std::string& port);

  wizard_context& w_;
  service_restart restart_;
};

}  // namespace setup
