#include "tests/win32/test_support.h"

#include <atomic>

namespace setup::test {
namespace {

void remove_tree(const std::wstring& directory) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = directory + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(directory.c_str());
}

}  // namespace

temp_directory::temp_directory() {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  std::wstring dir = std::wstring(base) + L"setup-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(counter++);
  remove_tree(dir);
  CreateDirectoryW(dir.c_str(), nullptr);
  path_ = win32::narrow(dir);
}

temp_directory::~temp_directory() {
  remove_tree(win32::wide(path_));
}

bool write_file(const std::string& path, std::string_view bytes) {
  win32::unique_handle file(CreateFileW(win32::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string read_file(const std::string& path) {
  win32::unique_handle file(CreateFileW(win32::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

std::string windows_path_of_unix(std::string_view unix_path) {
  std::string path = "Z:";
  for (char c : unix_path) path.push_back(c == '/' ? '\\' : c);
  return path;
}

memory_trace& log() {
  static memory_trace lines;
  return lines;
}

}  // namespace setup::test
