// The simulated server's file system, seen by Windows path ("c:\dir\file.bak") as SQL Server sees
// its disks: backups are read from it and database files created on it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sqlsim {

class disk {
 public:
  virtual ~disk() = default;
  // The whole file; nullopt when it cannot be opened (absent, a directory, unreachable drive).
  virtual std::optional<std::string> read_file(std::string_view path) = 0;
  virtual bool file_exists(std::string_view path) = 0;
  virtual bool directory_exists(std::string_view path) = 0;
  // Creates or replaces the file; the directory must exist. False when it could not be written.
  virtual bool write_file(std::string_view path, std::string_view content) = 0;
  // False when there was no such file or it could not be removed.
  virtual bool remove_file(std::string_view path) = 0;
};

// Drive C: mapped onto a host directory: "c:\a\b" (drive letter and names in any case, '\' or '/')
// is <root>/a/b, each name matched without regard to ASCII case against what exists, ".." never
// leaving the root. Other drives, relative and UNC paths cannot be opened. An empty root maps nothing.
std::shared_ptr<disk> make_c_drive_disk(std::filesystem::path root);

// Windows path helpers, shared by the engine and its disks.
// The normal form of an absolute path "x:\a\b": '/' read as '\', repeated separators, "." and ".."
// resolved (".." stops at the root), drive letter upper case. nullopt for anything not of that form
// or holding a character Windows forbids in names.
std::optional<std::string> normalize_windows_path(std::string_view path);
// The directory part of a normalized path ("C:\a\b" -> "C:\a", "C:\a" -> "C:\").
std::string windows_directory_of(std::string_view normalized_path);
// A key under which two spellings of the same path compare equal (ASCII case folded).
std::string windows_path_key(std::string_view path);

}  // namespace sqlsim
