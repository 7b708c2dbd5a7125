#include "service/port_service.h"

#include <charconv>
#include <cstdint>

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

// The TCP key under an instance's name (SQL Server 2000 keeps its settings there; the default
// instance has a key of its own).
std::string tcp_key_of_instance_named(std::string_view name) {
  return sql_registry::tcp_key(name);
}

}  // namespace

std::string port_service::port_under(const std::string& key) {
  std::string port;
  w_.sys.reg.ReadRegistryString(key, sql_registry::tcp_port_value, port);
  return port;
}

void port_service::show_port(const std::string& port) {
  w_.sys.log.line("port page: the current port is " + (port.empty() ? std::string("not found") : port));
  w_.controls.sle_old_port.set_text(port);
  w_.state.is_port = port == n::no_port ? std::string() : port;
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
  // Each write is guarded by a read of the same key, so it lands in the view that holds the port.
  const auto holds_port = [&](const std::string& key) {
    std::string value;
    return reg.ReadRegistryString(key, sql_registry::tcp_port_value, value) == 1;
  };
  int found = 0;
  int written = 0;
  const auto write_if_held = [&](const std::string& key) {
    if (!holds_port(key)) return;
    ++found;
    if (reg.WriteRegistryString(key, sql_registry::tcp_port_value, port) == 1) ++written;
  };
  for (const std::string_view sub_key : sql_registry::tcp_sub_keys)
    write_if_held(tcp_key + std::string(sub_key));
  for (const std::string_view sub_key : sql_registry::tcp_sub_keys) {
    const std::string key = tcp_key + std::string(sub_key);
    if (holds_port(key)) reg.WriteRegistryString(key, sql_registry::tcp_dynamic_ports_value, "");
  }
  write_if_held(tcp_key);
  if (found == 0) w_.sys.log.line("port change: no TcpPort under \"" + tcp_key + "\" or its IP keys");
  if (found > 0 && written == 0) {
    w_.sys.log.line("port change: no TcpPort under \"" + tcp_key + "\" could be written");
  }
  return written > 0;
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
  if (new_port == trim_spaces(c.sle_old_port.text())) return true;
  // What the page would show now (IPALL before IP1): a stale IP1 does not make a change a no-op.
  if (new_port == current_port()) return true;
  std::string stored;
  if (w_.sys.reg.ReadRegistryString(s.is_tcp_port, sql_registry::tcp_port_value, stored) == 1 &&
      stored == new_port) {
    return true;
  }

  const std::string status_before = c.st_disc.text();
  w_.show(c.st_disc, std::string(n::configuring_port));
  of_delay(w_.sys.wait, w_.sys.time, n::wait_before_writing,
           [&](std::int64_t left) { c.st_disc.set_text(with_seconds_left(n::configuring_port, left)); });
  if (!write_port(new_port)) {
    w_.show(c.st_disc, status_before);
    return false;
  }
  restart_.run();
  // The values stay written either way; the status line says whether the service took the port.
  w_.show(c.st_disc, std::string(answers_on(new_port) ? n::port_configured : n::port_not_answering));
  s.is_port = new_port;
  c.sle_old_port.set_text(new_port);
  return true;
}

}  // namespace setup
