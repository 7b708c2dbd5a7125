// The Win32 implementations of the platform operations other than the registry and the dialogs. Each
// failure they turn into false, 0, -1 or an empty result is traced with its context and the system's
// code. The calls that can block for long (the copy, RunWait, the network's) run through the waiting
// they are given.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_versions.h"
#include "platform/files.h"
#include "platform/network.h"
#include "platform/processes.h"
#include "platform/services.h"
#include "platform/trace.h"
#include "platform/waiting.h"

namespace setup {

class win32_files final : public files {
 public:
  explicit win32_files(trace& log, waiting& wait = waiting_in_place()) : log_(log), wait_(wait) {}

  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  bool RemoveFile(std::string_view path) override;
  int CopyFileReplacing(std::string_view source, std::string_view target,
                        const copy_progress& progress = {}) override;
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override;
  std::string GetCurrentDirectory() override;
  bool SetCurrentDirectory(std::string_view path) override;
  std::string GetSystemDirectory() override;
  std::unique_ptr<byte_source> OpenForReading(std::string_view path) override;
  std::unique_ptr<byte_sink> CreateForWriting(std::string_view path, bool replace) override;
  std::optional<std::uint64_t> FreeSpace(std::string_view folder) override;
  std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) override;

 private:
  int copy_replacing(std::string_view source, std::string_view target, const copy_progress& progress);

  trace& log_;
  waiting& wait_;
};

class win32_processes final : public processes {
 public:
  explicit win32_processes(trace& log, waiting& wait = waiting_in_place()) : log_(log), wait_(wait) {}

  bool StartProgram(std::string_view program_path) override;
  std::uint32_t RunWait(std::string_view command_line, int window_style) override;

 private:
  std::uint32_t run_and_wait(std::string_view command_line, int window_style);
  trace& log_;
  waiting& wait_;
};

class win32_clock final : public clock {
 public:
  win32_clock();
  std::int64_t MillisecondClock() override;
  void sleep_for(std::int64_t milliseconds) override;
  local_time local_now() override;

 private:
  std::uint64_t start_;
};

// Windows Sockets is loaded when first used (discovery's look-up, the port check), not at every start.
class win32_network final : public network {
 public:
  explicit win32_network(trace& log, waiting& wait = waiting_in_place());
  ~win32_network() override;

  int start() override;
  void stop() override;
  std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) override;
  bool TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                   std::int64_t timeout_milliseconds) override;

 private:
  struct winsock_functions;
  // The functions of ws2_32.dll, looked up once; null when the DLL or one of them is missing (traced).
  const winsock_functions* winsock(std::string_view what);
  std::optional<std::vector<std::uint32_t>> resolve(std::string_view host_name);
  bool try_connection(std::string_view ipv4_address, std::uint16_t port, std::int64_t timeout_milliseconds);

  trace& log_;
  waiting& wait_;
  std::unique_ptr<winsock_functions> winsock_;
  bool looked_up_ = false;
};

class win32_services final : public services {
 public:
  explicit win32_services(trace& log) : log_(log) {}

  bool SetServiceAccount(std::string_view service_name, std::string_view account) override;
  std::optional<std::vector<std::string>> RunningDependentServices(std::string_view service_name) override;

 private:
  trace& log_;
};

class win32_environment final : public environment {
 public:
  explicit win32_environment(trace& log) : log_(log) {}

  machine_facts machine() override;
  std::string temporary_folder() override;
  std::optional<std::string> variable(std::string_view name) override;

 private:
  trace& log_;
};

// The lines go to the debugger's output (OutputDebugStringW), one call each.
class win32_trace final : public trace {
 protected:
  void write(std::string_view masked_line) override;
};

}  // namespace setup
