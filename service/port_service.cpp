#include "service/port_service.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "model/sql_server_registry.h"
#include "platform/delay.h"
#include "platform/text.h"
#include "service/service_names.h"

namespace setup {
namespace {

namespace n = service_names;

bool is_four_digits(std::string_view text) {
  if (text.size() != 4) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The first port of a value ("1433", or "1433,1434"); empty when it begins with none.
std::string first_port(std::string_view text) {
  const std::string trimmed = trim_spaces(text);
  std::size_t digits = 0;
  while (digits < trimmed.size() && trimmed[digits] >= '0' && trimmed[digits] <= '9') ++digits;
  return trimmed.substr(0, digits);
}

// The TCP key under an instance's name (SQL Server 2000 keeps its settings there; the default
// instance has a key of its own).
std::string tcp_key_of_instance_named(std::string_view name) {
  return sql_registry::tcp_key(name);
}

}  // namespace

std::string firewall_question(std::string_view port) {
  return std::string(n::firewall_question_before) + " " + std::string(port) + " " +
         std::string(n::firewall_question_after);
}

port_service::tcp_settings port_service::tcp_of_selected_instance() {
  tcp_settings tcp;
  registry& reg = w_.sys.reg;
  const std::string& key = w_.state.is_tcp_port;
  std::uint32_t enabled = 1;
  tcp.enabled = reg.ReadRegistryDword(key, sql_registry::tcp_enabled_value, enabled) != 1 || enabled != 0;
  std::string fixed;
  std::string dynamic;
  reg.ReadRegistryString(key + std::string(sql_registry::tcp_ipall), sql_registry::tcp_port_value, fixed);
  reg.ReadRegistryString(key + std::string(sql_registry::tcp_ipall), sql_registry::tcp_dynamic_ports_value,
                         dynamic);
  if (trim_spaces(fixed).empty()) tcp.dynamic = trim_spaces(dynamic);
  return tcp;
}

std::string port_service::port_under(const std::string& key) {
  std::string port;
  w_.sys.reg.ReadRegistryString(key, sql_registry::tcp_port_value, port);
  return port;
}

void port_service::show_port(const std::string& port) {
  const tcp_settings tcp = sql2005_or_later() ? tcp_of_selected_instance() : tcp_settings{};
  // A dynamic port is shown where there is no fixed one, but the install does not connect to it.
  const std::string shown = first_port(port.empty() ? tcp.dynamic : port);
  w_.sys.log.line("port page: the current port is " + (port.empty() ? std::string("not found") : port) +
                  (tcp.dynamic.empty() ? "" : ", dynamic port " + tcp.dynamic) +
                  (tcp.enabled ? "" : ", TCP/IP disabled"));
  w_.controls.sle_old_port.set_text(shown);
  w_.state.is_port = port == n::no_port || !tcp.dynamic.empty() ? std::string() : first_port(port);
  std::string note;
  if (!tcp.enabled) note = std::string(n::tcp_disabled);
  if (!tcp.dynamic.empty() && tcp.dynamic != n::no_port) {
    note += std::string(n::dynamic_port_before) + tcp.dynamic + std::string(n::dynamic_port_after);
  }
  if (!note.empty()) w_.show(w_.controls.st_disc, note);
}

std::string port_service::port_of_selected_instance() {
  const w_server_state& s = w_.state;
  const std::string& selected = w_.controls.sle_sqlsetup.text();
  std::string key;
  // Every matching entry is taken: the last one wins.
  for (std::size_t i = 0; i < s.is_sqlsetup_array.size(); ++i) {
    if (s.is_sqlsetup_array[i] != selected || i >= s.is_ins_name_array.size()) continue;
    const std::string& name = s.is_ins_name_array[i];
    key = upper_ascii(name) == sql_registry::default_instance_name
              ? std::string(sql_registry::sql2000_default_tcp_key)
              : tcp_key_of_instance_named(name);
  }
  std::string port;
  if (!trim_spaces(key).empty() &&
      w_.sys.reg.ReadRegistryString(key, sql_registry::tcp_port_value, port) == 1)
    return port;
  // SQL Server 2005 and later keep the port under the instance id, and a default setup in IPALL alone
  // (an empty one there is a dynamic port); IP1 only where IPALL has none.
  if (w_.sys.reg.ReadRegistryString(s.is_tcp_port + std::string(sql_registry::tcp_ipall),
                                    sql_registry::tcp_port_value, port) == 1) {
    return port;
  }
  return port_under(s.is_tcp_port + std::string(sql_registry::tcp_ip1));
}

bool port_service::of_check_sqlport() {
  w_server_state& s = w_.state;
  std::string port;
  if (sql2005_or_later()) {
    port = port_of_selected_instance();
  } else if (std::string active;
             w_.sys.reg.ReadRegistryString(sql_registry::sql2000_active_key,
                                           sql_registry::sql2000_active_value, active) == 1) {
    s.is_tcp_port = active == sql_registry::sql2000_active_default
                        ? std::string(sql_registry::sql2000_default_tcp_key)
                        : tcp_key_of_instance_named(active);
    port = port_under(s.is_tcp_port);
  } else {
    w_.show(w_.controls.st_disc, std::string(n::not_installed_before_version) + s.is_sql_version +
                                     std::string(n::not_installed_after_version));
  }
  show_port(port);
  return true;
}

bool port_service::sql2005_or_later() const {
  const w_server_controls& c = w_.controls;
  return c.rb_sql2005.checked() || c.rb_sql2008.checked() || c.rb_sql2012.checked();
}

std::string port_service::current_port() {
  return sql2005_or_later() ? port_of_selected_instance() : port_under(w_.state.is_tcp_port);
}

void port_service::instance_selected() {
  show_port(current_port());
}

void port_service::cb_6_clicked() {
  const std::string& title = w_.state.is_apptitle;
  if (!is_four_digits(trim_spaces(w_.controls.sle_port.text()))) {
    w_.sys.ui.ShowMessage(title, n::port_must_be_four_digits);
    return;
  }
  if (!of_modify_port()) w_.sys.ui.ShowMessage(title, n::port_change_failed);
}

bool port_service::write_port(const std::string& port) {
  registry& reg = w_.sys.reg;
  const std::string& tcp_key = w_.state.is_tcp_port;
  // Each write is guarded by a read of the same key, so it lands in the view that holds the value.
  const auto holds = [&](const std::string& key, std::string_view name) {
    std::string value;
    return reg.ReadRegistryString(key, name, value) == 1;
  };
  int found = 0;
  bool refused = false;
  const auto write = [&](const std::string& key, std::string_view name, std::string_view text) {
    if (reg.WriteRegistryString(key, name, text) != 1) refused = true;
  };
  // The IP keys that hold a port, fixed or (2005 and later) dynamic: the fixed port written, the
  // dynamic one emptied.
  for (const std::string_view sub_key : sql_registry::tcp_sub_keys) {
    const std::string key = tcp_key + std::string(sub_key);
    if (!holds(key, sql_registry::tcp_port_value) &&
        !(sql2005_or_later() && holds(key, sql_registry::tcp_dynamic_ports_value))) {
      continue;
    }
    ++found;
    write(key, sql_registry::tcp_port_value, port);
    write(key, sql_registry::tcp_dynamic_ports_value, "");
  }
  // SQL Server 2000 keeps it under the key itself.
  if (holds(tcp_key, sql_registry::tcp_port_value)) {
    ++found;
    write(tcp_key, sql_registry::tcp_port_value, port);
  }
  if (found == 0) w_.sys.log.line("port change: no TcpPort under \"" + tcp_key + "\" or its IP keys");
  if (refused) w_.sys.log.line("port change: a port value under \"" + tcp_key + "\" could not be written");
  return found > 0 && !refused;
}

bool port_service::answers_on(const std::string& port) {
  std::uint16_t number = 0;
  if (std::from_chars(port.data(), port.data() + port.size(), number).ec != std::errc()) return false;
  clock& time = w_.sys.time;
  const std::int64_t start = time.MillisecondClock();
  for (;;) {
    // The restart is not over until the port answers: the status line counts the check's time down.
    const std::int64_t left = n::port_check_time - (time.MillisecondClock() - start);
    if (left > 0) w_.controls.st_disc.set_text(with_seconds_left(n::restarting_server, left));
    if (w_.sys.net.TcpConnects(n::loopback, number, n::port_check_try)) {
      w_.sys.log.line("port check: " + std::string(n::loopback) + ":" + port + " answers after " +
                      std::to_string(time.MillisecondClock() - start) + " ms");
      return true;
    }
    if (time.MillisecondClock() - start >= n::port_check_time) break;
    of_delay(w_.sys.wait, time, n::port_check_pause);
  }
  w_.sys.log.line("port check: nothing answers on " + std::string(n::loopback) + ":" + port + " within " +
                  std::to_string(n::port_check_time) + " ms");
  return false;
}

bool port_service::of_modify_port() {
  w_server_controls& c = w_.controls;
  w_server_state& s = w_.state;
  const std::string new_port = trim_spaces(c.sle_port.text());
  const tcp_settings tcp = sql2005_or_later() ? tcp_of_selected_instance() : tcp_settings{};
  // Nothing to change only where TCP/IP is on at a fixed port.
  if (tcp.enabled && tcp.dynamic.empty()) {
    if (new_port == trim_spaces(c.sle_old_port.text())) return true;
    // What the page would show now (IPALL before IP1): a stale IP1 does not make a change a no-op.
    if (new_port == current_port()) return true;
    std::string stored;
    if (w_.sys.reg.ReadRegistryString(s.is_tcp_port, sql_registry::tcp_port_value, stored) == 1 &&
        stored == new_port) {
      return true;
    }
  }
  const std::string old_port = tcp.dynamic.empty() ? trim_spaces(c.sle_old_port.text()) : std::string();

  const std::string status_before = c.st_disc.text();
  w_.show(c.st_disc, std::string(n::configuring_port));
  of_delay(w_.sys.wait, w_.sys.time, n::wait_before_writing,
           [&](std::int64_t left) { c.st_disc.set_text(with_seconds_left(n::configuring_port, left)); });
  if (!write_port(new_port) || (!tcp.enabled && !enable_tcp())) {
    w_.show(c.st_disc, status_before);
    return false;
  }
  restart_.run();
  // The values stay written either way; the status line says whether the service took the port.
  const bool answers = answers_on(new_port);
  w_.show(c.st_disc, std::string(answers ? n::port_configured : n::port_not_answering));
  s.is_port = new_port;
  c.sle_old_port.set_text(new_port);
  if (answers) offer_firewall(new_port, old_port);
  return true;
}

bool port_service::enable_tcp() {
  const std::string& key = w_.state.is_tcp_port;
  const bool enabled = w_.sys.reg.WriteRegistryDword(key, sql_registry::tcp_enabled_value, 1) == 1;
  if (!enabled) w_.sys.log.line("port change: TCP/IP could not be enabled under \"" + key + "\"");
  return enabled;
}

bool port_service::windows_has_advfirewall() {
  // Windows Vista and later (6.0 on) have advfirewall; XP and 2003 (5.x) only "netsh firewall".
  const std::string version = w_.sys.env.machine().windows_version;
  long major = 0;
  std::from_chars(version.data(), version.data() + version.size(), major);
  return major >= 6;
}

void port_service::offer_firewall(const std::string& port, const std::string& old_port) {
  const w_server_state& s = w_.state;
  if (w_.sys.ui.AskYesNo(s.is_apptitle, firewall_question(port)) != answer_yes) return;
  const std::string netsh = w_.sys.fs.GetSystemDirectory() + "\\netsh.exe";
  const std::string instance =
      s.is_ins_name.empty() ? std::string(sql_registry::default_instance_name) : s.is_ins_name;
  const std::string rule = std::string(n::firewall_rule_prefix) + s.gs_product + " " + instance;
  std::vector<std::string> commands;
  if (windows_has_advfirewall()) {
    // The rule of an earlier change of this instance goes first; none to delete is no failure.
    commands = {netsh + " advfirewall firewall delete rule name=\"" + rule + "\"",
                netsh + " advfirewall firewall add rule name=\"" + rule +
                    "\" dir=in action=allow protocol=TCP localport=" + port};
  } else {
    // Port openings are known by their port: the one of the port left goes first.
    if (!old_port.empty() && old_port != port)
      commands.push_back(netsh + " firewall delete portopening protocol=TCP port=" + old_port);
    commands.push_back(netsh + " firewall add portopening protocol=TCP port=" + port + " name=\"" + rule +
                       "\" mode=ENABLE scope=ALL");
  }
  std::uint32_t code = 0;
  // Only the last command, the one that opens the port, decides.
  for (const std::string& command : commands) code = w_.sys.proc.RunWait(command, window_hidden);
  const bool opened = code == 0;
  w_.show(w_.controls.st_disc, std::string(n::port_configured) + "\n" +
                                   (opened ? std::string(n::firewall_opened) + " " + port + "。"
                                           : std::string(n::firewall_failed) + " " + port +
                                                 std::string(n::firewall_failed_after)));
  w_.sys.log.line("firewall: TCP port " + port + (opened ? " allowed" : " not allowed") + " by the rule \"" +
                  rule + "\"");
  if (!s.is_ins_name.empty() && s.is_ins_name != sql_registry::default_instance_name) {
    w_.sys.log.line(
        "firewall: UDP 1434 (SQL Server Browser) is not opened; clients that name the instance "
        "instead of its port need it");
  }
}

}  // namespace setup
