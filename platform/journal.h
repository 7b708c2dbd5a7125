// The install log's events: each platform operation that changes the machine, asks the operator or
// talks to the server, written to the trace as it happens, with its outcome. The journal stands
// between the program and a platform (the Windows one or a test's) and passes every call through;
// what it only reads (file existence, registry reads, the clock) it does not write.
//
// Passwords: a connection is written without its password; the passwords inside statements are the
// trace's secrets, registered by the code that knows them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/platform.h"

namespace setup {

class journal_dialogs final : public dialogs {
 public:
  journal_dialogs(dialogs& inner, trace& log) : inner_(inner), log_(log) {}
  void ShowMessage(std::string_view title, std::string_view text) override;
  int AskYesNo(std::string_view title, std::string_view text) override;
  int AskYesNoDefaultYes(std::string_view title, std::string_view text) override;
  int ChooseFolder(std::string_view title, std::string& path) override;
  int ChooseFileToOpen(std::string_view title, std::string_view default_extension, std::string_view filter,
                       std::string& full_path, std::string& file_name) override;
  void ShowWaitCursor() override { inner_.ShowWaitCursor(); }
  bool KeyIsDown(key which) override { return inner_.KeyIsDown(which); }
  void OpenUrl(std::string_view address) override;

 private:
  int answered(std::string_view title, std::string_view text, int answer);
  dialogs& inner_;
  trace& log_;
};

class journal_files final : public files {
 public:
  journal_files(files& inner, trace& log) : inner_(inner), log_(log) {}
  bool FileExists(std::string_view path) override { return inner_.FileExists(path); }
  bool DirectoryExists(std::string_view path) override { return inner_.DirectoryExists(path); }
  bool RemoveFile(std::string_view path) override;
  int CopyFileReplacing(std::string_view source, std::string_view target,
                        const copy_progress& progress = {}) override;
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override;
  std::string GetCurrentDirectory() override { return inner_.GetCurrentDirectory(); }
  bool SetCurrentDirectory(std::string_view path) override { return inner_.SetCurrentDirectory(path); }
  std::string GetSystemDirectory() override { return inner_.GetSystemDirectory(); }
  std::unique_ptr<byte_source> OpenForReading(std::string_view path) override {
    return inner_.OpenForReading(path);
  }
  std::unique_ptr<byte_sink> CreateForWriting(std::string_view path, bool replace) override;
  std::optional<std::uint64_t> FreeSpace(std::string_view folder) override;
  std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) override;

 private:
  files& inner_;
  trace& log_;
};

// Writes each value written, with the view it landed in.
class journal_registry final : public registry {
 public:
  journal_registry(registry& inner, trace& log) : inner_(inner), log_(log) {}

 protected:
  std::optional<raw_registry_value> read_value(key_view view, registry_root root, std::string_view subkey,
                                               std::string_view value_name) override {
    return inner_.read_value(view, root, subkey, value_name);
  }
  bool write_value(key_view view, registry_root root, std::string_view subkey, std::string_view value_name,
                   const raw_registry_value& value) override;
  std::optional<std::vector<std::string>> value_names(key_view view, registry_root root,
                                                      std::string_view subkey) override {
    return inner_.value_names(view, root, subkey);
  }
  bool has_key(key_view view, registry_root root, std::string_view subkey) override {
    return inner_.has_key(view, root, subkey);
  }

 private:
  registry& inner_;
  trace& log_;
};

class journal_processes final : public processes {
 public:
  journal_processes(processes& inner, trace& log) : inner_(inner), log_(log) {}
  bool StartProgram(std::string_view program_path) override;
  std::uint32_t RunWait(std::string_view command_line, int window_style) override;

 private:
  processes& inner_;
  trace& log_;
};

class journal_network final : public network {
 public:
  journal_network(network& inner, trace& log) : inner_(inner), log_(log) {}
  int start() override { return inner_.start(); }
  void stop() override { inner_.stop(); }
  std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) override;
  // A probe, tried again and again while a port comes up: its caller writes the outcome.
  bool TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                   std::int64_t timeout_milliseconds) override {
    return inner_.TcpConnects(ipv4_address, port, timeout_milliseconds);
  }

 private:
  network& inner_;
  trace& log_;
};

class journal_services final : public services {
 public:
  journal_services(services& inner, trace& log) : inner_(inner), log_(log) {}
  bool SetServiceAccount(std::string_view service_name, std::string_view account) override;
  std::optional<std::vector<std::string>> RunningDependentServices(std::string_view service_name) override;

 private:
  services& inner_;
  trace& log_;
};

// The connection: each connect (server, database, login; the password as "***"), statement and
// outcome (status, the server's error number and text, rows), and the server's messages. The
// connection it stands for must outlive it.
class journal_transaction final : public transaction {
 public:
  journal_transaction(transaction& inner, trace& log) : inner_(inner), log_(log) {}
  void connect() override;
  void disconnect() override;
  bool connected() const override { return inner_.connected(); }
  std::optional<std::string> select_single(std::string_view sql, std::string_view parameter) override;
  void execute_immediate(std::string_view sql, const message_handler& on_message = {}) override;
  void execute_bound(std::string_view sql, std::string_view parameter) override;
  // The rows are written too, each as its cells in quotes.
  std::optional<result_set> select_rows(std::string_view sql) override;

 private:
  // The settings handed on before a call, the results taken back after it.
  void hand_on();
  void take_back();
  // "done, 3 rows" or "error 2714: There is already an object named ...".
  std::string outcome() const;
  transaction& inner_;
  trace& log_;
};

// A platform whose operations are journaled, built over another.
struct journaled_platform {
  explicit journaled_platform(platform& inner);
  journaled_platform(const journaled_platform&) = delete;
  journaled_platform& operator=(const journaled_platform&) = delete;

  journal_dialogs ui;
  journal_files fs;
  journal_registry reg;
  journal_processes proc;
  journal_network net;
  journal_services svc;
  platform sys;
};

}  // namespace setup
