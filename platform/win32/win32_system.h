// The Win32 implementations of the platform operations other than the registry and the dialogs.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/file_versions.h"
#include "platform/files.h"
#include "platform/network.h"
#include "platform/processes.h"

namespace setup {

class win32_files final : public files {
 public:
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  bool RemoveFile(std::string_view path) override;
  int CopyFileReplacing(std::string_view source, std::string_view target) override;
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override;
  std::string GetCurrentDirectory() override;
  bool SetCurrentDirectory(std::string_view path) override;
  std::string GetSystemDirectory() override;
  std::unique_ptr<byte_source> OpenForReading(std::string_view path) override;
};

class win32_processes final : public processes {
 public:
  bool StartProgram(std::string_view program_path) override;
  std::uint32_t RunWait(std::string_view command_line, int window_style) override;
};

class win32_clock final : public clock {
 public:
  win32_clock();
  std::int64_t MillisecondClock() override;
  void sleep_for(std::int64_t milliseconds) override;
  calendar_date local_date() override;

 private:
  std::uint64_t start_;
};

class win32_network final : public network {
 public:
  int start() override;
  void stop() override;
  std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) override;
};

}  // namespace setup
