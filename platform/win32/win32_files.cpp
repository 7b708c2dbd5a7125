#include <algorithm>
#include <limits>
#include <vector>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

using win32::narrow;
using win32::unique_handle;
using win32::wide;

std::string quoted(std::string_view path) {
  return "\"" + std::string(path) + "\"";
}

DWORD attributes_of(std::string_view path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(wide(path).c_str());
}

// Reads a W function's text result into a buffer of the size it asks for.
template <typename Call>
std::string read_text(Call call) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int round = 0; round < 4; ++round) {
    const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return narrow(std::wstring_view(buffer.data(), length));
    buffer.assign(length + 1, L'\0');
  }
  return {};
}

class win32_file_source final : public byte_source {
 public:
  win32_file_source(unique_handle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset > size_ || count > size_ - offset) return false;
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const DWORD chunk = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
      DWORD done = 0;
      if (!ReadFile(file_.get(), out, chunk, &done, &at) || done == 0) return false;
      out += done;
      offset += done;
      count -= done;
    }
    return true;
  }

 private:
  unique_handle file_;
  std::uint64_t size_;
};

// Writes straight through to the file: what a line said is there even if the program dies after it.
class win32_file_sink final : public byte_sink {
 public:
  explicit win32_file_sink(unique_handle file) : file_(std::move(file)) {}
  bool write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
      DWORD done = 0;
      if (!WriteFile(file_.get(), bytes.data(), chunk, &done, nullptr) || done == 0) return false;
      bytes.remove_prefix(done);
    }
    return true;
  }

 private:
  unique_handle file_;
};

}  // namespace

bool win32_files::FileExists(std::string_view path) {
  const DWORD attributes = attributes_of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool win32_files::DirectoryExists(std::string_view path) {
  const DWORD attributes = attributes_of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool win32_files::RemoveFile(std::string_view path) {
  if (DeleteFileW(wide(path).c_str())) return true;
  log_.line(failure_line("delete " + quoted(path), GetLastError()));
  return false;
}

namespace {

// A piece of a copy: large enough to keep the disks busy, small enough for a progress of every percent
// of a backup of 100 MiB.
constexpr DWORD copy_piece = 1 << 20;
// The attributes a copy takes from its source, as CopyFile gives them (a file from a CD is read-only).
constexpr DWORD copied_attributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

int win32_files::CopyFileReplacing(std::string_view source, std::string_view target,
                                   const copy_progress& progress) {
  return wait_.run_returning([&] {
    // The progress is the caller's: it hears it on its own thread.
    const copy_progress told = !progress ? copy_progress() : [&](std::uint64_t copied, std::uint64_t total) {
      wait_.tell([&] { progress(copied, total); });
    };
    return copy_replacing(source, target, told);
  });
}

int win32_files::copy_replacing(std::string_view source, std::string_view target,
                                const copy_progress& progress) {
  // A copy of our own, piece by piece, rather than CopyFileEx: wine's never calls its progress routine.
  const std::string what = "copy " + quoted(source) + " to " + quoted(target);
  const std::wstring from = wide(source);
  const std::wstring to = wide(target);
  unique_handle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  FILETIME written_at{};
  if (!in.valid() || !GetFileSizeEx(in.get(), &size) ||
      !GetFileTime(in.get(), nullptr, nullptr, &written_at)) {
    log_.line(failure_line(what, GetLastError()));
    return 0;
  }
  // A file already there is replaced (a read-only one is refused, as CopyFile refuses it).
  unique_handle out(CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!out.valid()) {
    log_.line(failure_line(what, GetLastError()));
    return 0;
  }
  const auto fail = [&](DWORD code) {
    out.reset();
    // No part of a copy is left behind as if it were one.
    DeleteFileW(to.c_str());
    log_.line(failure_line(what, code));
    return 0;
  };
  const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
  std::vector<char> piece(copy_piece);
  std::uint64_t copied = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(in.get(), piece.data(), copy_piece, &read, nullptr)) return fail(GetLastError());
    if (read == 0) break;
    DWORD put = 0;
    if (!WriteFile(out.get(), piece.data(), read, &put, nullptr)) return fail(GetLastError());
    if (put != read) return fail(ERROR_DISK_FULL);
    copied += read;
    if (progress) progress(copied, std::max(copied, total));
  }
  if (!SetFileTime(out.get(), nullptr, nullptr, &written_at)) return fail(GetLastError());
  if (!CloseHandle(out.release())) return fail(GetLastError());
  const DWORD attributes = GetFileAttributesW(from.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & copied_attributes) != 0 &&
      !SetFileAttributesW(to.c_str(), attributes & copied_attributes)) {
    return fail(GetLastError());
  }
  // The last word says that the copy is complete, also of an empty file or one shorter than it said.
  if (progress && (copied == 0 || copied < total)) progress(copied, copied);
  return 1;
}

bool win32_files::SetFileAttributes(std::string_view path, std::uint32_t attributes) {
  // Windows takes 0 as "no attribute" only in the form FILE_ATTRIBUTE_NORMAL.
  if (SetFileAttributesW(wide(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes))
    return true;
  log_.line(
      failure_line("set attributes " + std::to_string(attributes) + " of " + quoted(path), GetLastError()));
  return false;
}

std::string win32_files::GetCurrentDirectory() {
  std::string directory =
      read_text([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); });
  if (directory.empty()) log_.line(failure_line("current directory", GetLastError()));
  return directory;
}

bool win32_files::SetCurrentDirectory(std::string_view path) {
  if (SetCurrentDirectoryW(wide(path).c_str())) return true;
  log_.line(failure_line("set current directory " + quoted(path), GetLastError()));
  return false;
}

std::string win32_files::GetSystemDirectory() {
  // 32-bit Windows has no WoW64 folder: the call fails there (ERROR_CALL_NOT_IMPLEMENTED).
  std::string wow64 =
      read_text([](DWORD size, wchar_t* buffer) { return GetSystemWow64DirectoryW(buffer, size); });
  if (!wow64.empty()) return wow64;
  std::string system =
      read_text([](DWORD size, wchar_t* buffer) { return GetSystemDirectoryW(buffer, size); });
  if (system.empty()) log_.line(failure_line("system directory", GetLastError()));
  return system;
}

std::unique_ptr<byte_source> win32_files::OpenForReading(std::string_view path) {
  if (path.empty()) return nullptr;
  unique_handle file(CreateFileW(wide(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    log_.line(failure_line("open " + quoted(path), GetLastError()));
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
    log_.line(failure_line("size of " + quoted(path), GetLastError()));
    return nullptr;
  }
  return std::make_unique<win32_file_source>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

std::unique_ptr<byte_sink> win32_files::CreateForWriting(std::string_view path, bool replace) {
  if (path.empty()) return nullptr;
  unique_handle file(CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    log_.line(failure_line("create " + quoted(path), GetLastError()));
    return nullptr;
  }
  return std::make_unique<win32_file_sink>(std::move(file));
}

std::optional<std::uint64_t> win32_files::FreeSpace(std::string_view folder) {
  ULARGE_INTEGER available{};
  // The folder with a backslash after it, as the call wants a directory.
  std::string directory(folder);
  if (!directory.empty() && directory.back() != '\\') directory += '\\';
  if (directory.empty() || !GetDiskFreeSpaceExW(wide(directory).c_str(), &available, nullptr, nullptr)) {
    log_.line(failure_line("free space of " + quoted(folder), GetLastError()));
    return std::nullopt;
  }
  return available.QuadPart;
}

std::vector<std::string> win32_files::FindFiles(std::string_view folder, std::string_view pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search =
      FindFirstFileW(wide(std::string(folder) + "\\" + std::string(pattern)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace setup
