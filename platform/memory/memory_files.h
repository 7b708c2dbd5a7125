// A file system in memory with Windows path rules: drive letters, backslashes (slashes accepted),
// names compared without regard to case, relative paths resolved against the current directory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace setup {

// Attribute bits with the values Windows gives them.
inline constexpr std::uint32_t file_attribute_readonly = 0x1;
inline constexpr std::uint32_t file_attribute_hidden = 0x2;

class memory_files final : public files {
 public:
  memory_files();

  // Set-up; parent directories are created as needed.
  void add_file(std::string_view path, std::string content, std::uint32_t attributes = 0);
  void add_directory(std::string_view path);
  // The file cannot be deleted or replaced, as when another process holds it open.
  void lock(std::string_view path);
  void set_system_directory(std::string_view path);
  // What FreeSpace answers for every drive; nullopt: it cannot tell.
  std::optional<std::uint64_t> free_space = std::uint64_t{64} << 30;

  // Inspection.
  std::optional<std::string> content(std::string_view path) const;
  std::optional<std::uint32_t> attributes(std::string_view path) const;
  // The absolute form of a path, as the file system resolves it (original spelling kept).
  std::string absolute(std::string_view path) const;

  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  bool RemoveFile(std::string_view path) override;
  // Tells `progress` once, when the copy is complete.
  int CopyFileReplacing(std::string_view source, std::string_view target,
                        const copy_progress& progress = {}) override;
  bool SetFileAttributes(std::string_view path, std::uint32_t attributes) override;
  std::string GetCurrentDirectory() override;
  bool SetCurrentDirectory(std::string_view path) override;
  std::string GetSystemDirectory() override;
  std::unique_ptr<byte_source> OpenForReading(std::string_view path) override;
  // The file's content grows with each write; a locked file cannot be replaced.
  std::unique_ptr<byte_sink> CreateForWriting(std::string_view path, bool replace) override;
  std::optional<std::uint64_t> FreeSpace(std::string_view folder) override;
  std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) override;

 private:
  class sink;
  struct file_entry {
    // Shared with the readers opened on it: a copy or a rewrite replaces it, never changes it.
    std::shared_ptr<const std::string> content;
    std::uint32_t attributes = 0;
    bool locked = false;
    std::string spelling;  // the absolute path as it was first spelled
  };
  static std::string key(std::string_view absolute_path);
  static std::string parent(std::string_view absolute_path);
  file_entry* find(std::string_view path);

  std::string current_directory_;
  std::string system_directory_;
  std::map<std::string, file_entry> files_;  // by folded absolute path
  std::set<std::string> directories_;        // folded absolute paths
};

}  // namespace setup
