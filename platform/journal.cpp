#include "platform/journal.h"

#include <cstdio>

#include "platform/winsock.h"

namespace setup {
namespace {

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

std::string done_or_failed(bool done) {
  return done ? ": done" : ": failed";
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string_view view_name(key_view view) {
  return view == key_view::view_64 ? "64-bit view" : "32-bit view";
}

}  // namespace

void journal_dialogs::ShowMessage(std::string_view title, std::string_view text) {
  inner_.ShowMessage(title, text);
  log_.line("message " + quoted(title) + ": " + std::string(text) + " -> OK");
}

int journal_dialogs::answered(std::string_view title, std::string_view text, int answer) {
  log_.line("question " + quoted(title) + ": " + std::string(text) +
            (answer == answer_yes ? " -> Yes" : " -> No"));
  return answer;
}

int journal_dialogs::AskYesNo(std::string_view title, std::string_view text) {
  return answered(title, text, inner_.AskYesNo(title, text));
}

int journal_dialogs::AskYesNoDefaultYes(std::string_view title, std::string_view text) {
  return answered(title, text, inner_.AskYesNoDefaultYes(title, text));
}

int journal_dialogs::ChooseFolder(std::string_view title, std::string& path) {
  const int result = inner_.ChooseFolder(title, path);
  log_.line("folder dialog " + quoted(title) + (result == 1 ? ": chose " + quoted(path) : ": cancelled"));
  return result;
}

int journal_dialogs::ChooseFileToOpen(std::string_view title, std::string_view default_extension,
                                      std::string_view filter, std::string& full_path,
                                      std::string& file_name) {
  const int result = inner_.ChooseFileToOpen(title, default_extension, filter, full_path, file_name);
  log_.line("file dialog " + quoted(title) + (result == 1 ? ": chose " + quoted(full_path) : ": cancelled"));
  return result;
}

void journal_dialogs::OpenUrl(std::string_view address) {
  log_.line("open web address " + std::string(address));
  inner_.OpenUrl(address);
}

bool journal_files::RemoveFile(std::string_view path) {
  const bool removed = inner_.RemoveFile(path);
  log_.line("delete " + quoted(path) + done_or_failed(removed));
  return removed;
}

int journal_files::CopyFileReplacing(std::string_view source, std::string_view target,
                                     const copy_progress& progress) {
  const int copied = inner_.CopyFileReplacing(source, target, progress);
  log_.line("copy " + quoted(source) + " to " + quoted(target) + done_or_failed(copied == 1));
  return copied;
}

bool journal_files::SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  const bool set = inner_.SetFileAttributes(path, attributes);
  char bits[16];
  std::snprintf(bits, sizeof bits, "0x%08X", static_cast<unsigned>(attributes));
  log_.line("attributes of " + quoted(path) + " set to " + bits + done_or_failed(set));
  return set;
}

std::unique_ptr<byte_sink> journal_files::CreateForWriting(std::string_view path, bool replace) {
  std::unique_ptr<byte_sink> file = inner_.CreateForWriting(path, replace);
  log_.line("create " + quoted(path) + done_or_failed(file != nullptr));
  return file;
}

std::optional<std::uint64_t> journal_files::FreeSpace(std::string_view folder) {
  const std::optional<std::uint64_t> free = inner_.FreeSpace(folder);
  log_.line("free space on the drive of " + quoted(folder) + ": " +
            (free ? std::to_string(*free) + " bytes" : std::string("unknown")));
  return free;
}

std::vector<std::string> journal_files::FindFiles(std::string_view folder, std::string_view pattern) {
  std::vector<std::string> found = inner_.FindFiles(folder, pattern);
  std::string names;
  for (const std::string& name : found) names += " " + quoted(name);
  log_.line("files " + quoted(pattern) + " in " + quoted(folder) + ":" + (found.empty() ? " none" : names));
  return found;
}

bool journal_registry::write_value(key_view view, registry_root root, std::string_view subkey,
                                   std::string_view value_name, const raw_registry_value& value) {
  const bool written = inner_.write_value(view, root, subkey, value_name, value);
  const std::optional<std::uint32_t> number = registry_dword_of(value);
  const std::string data = number ? "dword " + std::to_string(*number) : quoted(registry_text(value));
  log_.line("registry write " + std::string(view_name(view)) + " " + std::string(registry_root_name(root)) +
            "\\" + std::string(subkey) + ": " + quoted(value_name) + " = " + data + done_or_failed(written));
  return written;
}

bool journal_processes::StartProgram(std::string_view program_path) {
  const bool started = inner_.StartProgram(program_path);
  log_.line("start " + quoted(program_path) + (started ? ": started" : ": failed"));
  return started;
}

std::uint32_t journal_processes::RunWait(std::string_view command_line, int window_style) {
  const std::uint32_t code = inner_.RunWait(command_line, window_style);
  log_.line(
      "run " + std::string(command_line) +
      (code == run_failed ? std::string(": could not be started") : ": exit code " + std::to_string(code)));
  return code;
}

std::optional<std::vector<std::uint32_t>> journal_network::host_addresses(std::string_view host_name) {
  auto addresses = inner_.host_addresses(host_name);
  std::string listed;
  if (addresses) {
    for (const std::uint32_t address : *addresses)
      listed += (listed.empty() ? "" : ", ") + winsock::inet_ntoa(address);
  }
  log_.line("resolve " + quoted(host_name) + (addresses ? ": " + listed : ": does not resolve"));
  return addresses;
}

bool journal_services::SetServiceAccount(std::string_view service_name, std::string_view account) {
  const bool set = inner_.SetServiceAccount(service_name, account);
  log_.line("service " + quoted(service_name) + ": log on as " + std::string(account) + done_or_failed(set));
  return set;
}

std::optional<std::vector<std::string>> journal_services::RunningDependentServices(
    std::string_view service_name) {
  auto dependents = inner_.RunningDependentServices(service_name);
  log_.line("running dependents of " + quoted(service_name) + ": " +
            (!dependents           ? "cannot be asked"
             : dependents->empty() ? "none"
                                   : joined(*dependents)));
  return dependents;
}

void journal_transaction::hand_on() {
  inner_.dbms = dbms;
  inner_.autocommit = autocommit;
  inner_.servername = servername;
  inner_.logid = logid;
  inner_.logpass = logpass;
  inner_.database = database;
  inner_.dbparm = dbparm;
}

void journal_transaction::take_back() {
  sqlcode = inner_.sqlcode;
  sqldbcode = inner_.sqldbcode;
  sqlerrtext = inner_.sqlerrtext;
  sqlnrows = inner_.sqlnrows;
}

std::string journal_transaction::outcome() const {
  if (sqlcode == sql_error) return "status -1, error " + std::to_string(sqldbcode) + ": " + sqlerrtext;
  if (sqlcode == sql_not_found) return "status 100, no row";
  return "status " + std::to_string(sqlcode) + ", rows " + std::to_string(sqlnrows);
}

void journal_transaction::connect() {
  hand_on();
  inner_.connect();
  take_back();
  // The password is never written, not even whether there is one.
  log_.line("connect to server " + quoted(servername) + ", database " + quoted(database) + " as " +
            quoted(logid) + ", password ***" + (dbparm.empty() ? "" : ", parameters " + quoted(dbparm)) +
            (sqlcode == sql_ok ? std::string(": connected") : ": " + outcome()));
}

void journal_transaction::disconnect() {
  const bool was_connected = inner_.connected();
  inner_.disconnect();
  take_back();
  if (was_connected) log_.line("disconnect from " + quoted(servername));
}

std::optional<std::string> journal_transaction::select_single(std::string_view sql,
                                                              std::string_view parameter) {
  hand_on();
  std::optional<std::string> value = inner_.select_single(sql, parameter);
  take_back();
  log_.line("sql: " + std::string(sql) + " [" + std::string(parameter) +
            "]: " + (value ? "row " + quoted(*value) : outcome()));
  return value;
}

void journal_transaction::execute_immediate(std::string_view sql, const message_handler& on_message) {
  hand_on();
  log_.line("sql: " + std::string(sql));
  inner_.execute_immediate(sql, [&](long number, std::string_view text) {
    log_.line("sql message " + std::to_string(number) + ": " + std::string(text));
    if (on_message) on_message(number, text);
  });
  take_back();
  log_.line("sql: " + outcome());
}

void journal_transaction::execute_bound(std::string_view sql, std::string_view parameter) {
  hand_on();
  inner_.execute_bound(sql, parameter);
  take_back();
  log_.line("sql: " + std::string(sql) + " [" + std::string(parameter) + "]: " + outcome());
}

std::optional<result_set> journal_transaction::select_rows(std::string_view sql) {
  hand_on();
  std::optional<result_set> result = inner_.select_rows(sql);
  take_back();
  log_.line("sql: " + std::string(sql) + ": " + outcome());
  if (result) {
    for (const auto& row : result->rows) {
      std::string text;
      for (const auto& cell : row) text += (text.empty() ? "" : " ") + (cell ? quoted(*cell) : "NULL");
      log_.line("sql row: " + text);
    }
  }
  return result;
}

journaled_platform::journaled_platform(platform& inner)
    : ui(inner.ui, inner.log),
      fs(inner.fs, inner.log),
      reg(inner.reg, inner.log),
      proc(inner.proc, inner.log),
      net(inner.net, inner.log),
      svc(inner.svc, inner.log),
      sys{ui,        fs,        reg, proc,      inner.time, net, inner.versions,
          inner.ini, inner.log, svc, inner.env, inner.wait} {}

}  // namespace setup
