// Files and directories. Paths are Windows paths in UTF-8; a relative path is resolved against the
// process's current directory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_source.h"

namespace setup {

// Told how far a copy has come: bytes copied so far of the whole file's size. Called on the copying
// thread, in order, last with copied == total when the copy is complete.
using copy_progress = std::function<void(std::uint64_t copied, std::uint64_t total)>;

class files {
 public:
  virtual ~files() = default;

  // True when a file (not a directory) of that path exists.
  virtual bool FileExists(std::string_view path) = 0;
  virtual bool DirectoryExists(std::string_view path) = 0;
  // True when the file was deleted.
  virtual bool RemoveFile(std::string_view path) = 0;
  // Copies `source` over `target`, replacing a file already there: 1 when the target now holds the
  // copy, 0 otherwise. `progress`, when given, hears how far the copy has come.
  virtual int CopyFileReplacing(std::string_view source, std::string_view target,
                                const copy_progress& progress = {}) = 0;
  // Sets the attribute bits of a file (0 clears read-only, hidden and system); true on success.
  virtual bool SetFileAttributes(std::string_view path, std::uint32_t attributes) = 0;
  virtual std::string GetCurrentDirectory() = 0;
  virtual bool SetCurrentDirectory(std::string_view path) = 0;
  // The system directory of 32-bit programs, where the install's client libraries (32-bit DLLs)
  // belong: C:\Windows\SysWOW64 on 64-bit Windows, C:\Windows\system32 on 32-bit Windows, whatever
  // the bitness of this program. (A 32-bit program's writes to system32 land in SysWOW64 anyway; a
  // 64-bit build must name the folder itself.)
  virtual std::string GetSystemDirectory() = 0;
  // The file opened for reading; null when it does not exist or cannot be opened.
  virtual std::unique_ptr<byte_source> OpenForReading(std::string_view path) = 0;
  // A new, empty file opened for writing, which others may read while it is written; a file already
  // there is replaced only when `replace` is true. Null when the file cannot be made (its folder
  // missing or read-only, or the file there and kept).
  virtual std::unique_ptr<byte_sink> CreateForWriting(std::string_view path, bool replace) = 0;
  // The bytes this program may still write on the drive that holds `folder`; nullopt when the system
  // cannot tell (no such folder).
  virtual std::optional<std::uint64_t> FreeSpace(std::string_view folder) = 0;
  // The names of the files in `folder` whose names match `pattern` (* and ? as Windows matches them,
  // without regard to case), without the folder, in no given order; none when the folder is absent.
  virtual std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) = 0;
};

}  // namespace setup
