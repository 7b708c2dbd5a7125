#include <limits>

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

struct copy_listener {
  const copy_progress& progress;
  bool heard = false;
};

DWORD CALLBACK copy_progress_routine(LARGE_INTEGER total, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER,
                                     DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto& listener = *static_cast<copy_listener*>(data);
  listener.heard = true;
  listener.progress(static_cast<std::uint64_t>(copied.QuadPart), static_cast<std::uint64_t>(total.QuadPart));
  return PROGRESS_CONTINUE;
}

}  // namespace

int win32_files::CopyFileReplacing(std::string_view source, std::string_view target,
                                   const copy_progress& progress) {
  copy_listener listener{progress};
  // Flags 0: a file already at the target is replaced.
  if (!CopyFileExW(wide(source).c_str(), wide(target).c_str(), progress ? copy_progress_routine : nullptr,
                   &listener, nullptr, 0)) {
    log_.line(failure_line("copy " + quoted(source) + " to " + quoted(target), GetLastError()));
    return 0;
  }
  // wine's CopyFileExW never calls the routine: the listener still hears that the copy is complete.
  WIN32_FILE_ATTRIBUTE_DATA copied{};
  if (progress && !listener.heard &&
      GetFileAttributesExW(wide(target).c_str(), GetFileExInfoStandard, &copied)) {
    const std::uint64_t size = (static_cast<std::uint64_t>(copied.nFileSizeHigh) << 32) | copied.nFileSizeLow;
    progress(size, size);
  }
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

}  // namespace setup
