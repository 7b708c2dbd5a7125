#include "tests/win32/test_support.h"

#include <atomic>
#include <cstdlib>

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

std::string test_data(std::string_view name) {
  const char* data = std::getenv("SETUP_TEST_DATA");
  return windows_path_of_unix(data ? data : "") + "\\" + std::string(name);
}

bool set_machine_string(REGSAM view, const std::string& subkey, const std::string& name,
                        const std::string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, win32::wide(subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE | view,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring data = win32::wide(text);
  const LONG rc =
      RegSetValueExW(key, win32::wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

namespace {

void delete_machine_tree(REGSAM view, const wchar_t* parent, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
  RegDeleteTreeW(key, name);
  RegCloseKey(key);
}

constexpr wchar_t windows_nt_32[] = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

sql_server_layout::sql_server_layout() {
  remove_keys();
}

sql_server_layout::~sql_server_layout() {
  remove_keys();
  for (const std::string& folder : folders_) remove_tree(win32::wide(folder));
}

void sql_server_layout::remove_keys() {
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    delete_machine_tree(view, L"SOFTWARE\\Microsoft", L"Microsoft SQL Server");
    delete_machine_tree(view, L"SOFTWARE\\Microsoft", L"MSSQLServer");
    // The install marks the product's programs read.
    delete_machine_tree(view, L"SOFTWARE", L"qrvxSetup");
  }
  mark_64bit_windows(false);
  for (const std::string& service : services_) {
    delete_machine_tree(KEY_WOW64_64KEY, L"SYSTEM\\CurrentControlSet\\Services",
                        win32::wide(service).c_str());
  }
}

void sql_server_layout::add_service_key(const std::string& service, const std::string& account) {
  services_.push_back(service);
  set_machine_string(KEY_WOW64_64KEY, "SYSTEM\\CurrentControlSet\\Services\\" + service, "ObjectName",
                     account);
}

void sql_server_layout::mark_64bit_windows(bool on) {
  if (on) {
    set_machine_string(KEY_WOW64_64KEY, win32::narrow(windows_nt_32), "PathName", "C:\\windows");
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, windows_nt_32, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) ==
      ERROR_SUCCESS) {
    RegDeleteValueW(key, L"PathName");
    RegCloseKey(key);
  }
}

std::string sql_server_layout::lay_out_folder(const std::string& folder, const std::string& fixture) {
  // Every missing folder of the path, as setup makes them.
  for (std::size_t slash = folder.find('\\', 3); slash != std::string::npos;
       slash = folder.find('\\', slash + 1)) {
    CreateDirectoryW(win32::wide(folder.substr(0, slash)).c_str(), nullptr);
  }
  for (const std::string& part : {folder, folder + "\\Binn", folder + "\\Data"}) {
    CreateDirectoryW(win32::wide(part).c_str(), nullptr);
  }
  CopyFileW(win32::wide(test_data("versions\\" + fixture)).c_str(),
            win32::wide(folder + "\\Binn\\sqlservr.exe").c_str(), FALSE);
  return folder;
}

std::string sql_server_layout::add_instance(const std::string& name, const std::string& id,
                                            const std::string& fixture, bool in_32bit_view,
                                            const std::string& at, const std::string& port) {
  const REGSAM view = in_32bit_view ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  if (!at.empty()) folders_.push_back(at);
  const std::string folder = lay_out_folder(at.empty() ? dir_ / id : at, fixture);
  const std::string sql = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
  set_machine_string(view, sql + "Instance Names\\SQL", name, id);
  set_machine_string(view, sql + id + "\\Setup", "SQLPath", folder);
  set_machine_string(view, sql + id + "\\Setup", "SQLDataRoot", folder);
  set_machine_string(view, sql + id + "\\Setup", "SQLBinRoot", folder + "\\Binn");
  set_machine_string(view, sql + id + "\\MSSQLServer\\SuperSocketNetLib\\Tcp\\IPAll", "TcpPort", port);
  return folder;
}

std::string sql_server_layout::add_sql2000(const std::string& active, const std::string& fixture,
                                           bool in_32bit_view, const std::string& at,
                                           const std::string& port) {
  const REGSAM view = in_32bit_view ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  if (!at.empty()) folders_.push_back(at);
  const std::string folder = lay_out_folder(at.empty() ? dir_ / ("MSSQL2000_" + active) : at, fixture);
  const std::string tcp =
      active == "MSSQLServer"
          ? "SOFTWARE\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp"
          : "SOFTWARE\\Microsoft\\Microsoft SQL Server\\" + active + "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
  set_machine_string(view, tcp, "TcpPort", port);
  set_machine_string(view, "Software\\Microsoft\\Microsoft SQL Server", "SsrpActiveServer", active);
  const std::string setup = active == "MSSQLServer"
                                ? "Software\\Microsoft\\MSSQLServer\\Setup"
                                : "SOFTWARE\\Microsoft\\Microsoft SQL Server\\" + active + "\\Setup";
  set_machine_string(view, setup, "SQLPath", folder);
  set_machine_string(view, setup, "SQLDataRoot", folder);
  set_machine_string(view, setup, "SQLBinRoot", folder + "\\Binn");
  return folder;
}

std::optional<std::string> machine_string(REGSAM view, const std::string& subkey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::wide(subkey).c_str(), 0, KEY_QUERY_VALUE | view, &key) != 0) {
    return std::nullopt;
  }
  wchar_t data[1024] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  const LONG rc = RegQueryValueExW(key, win32::wide(name).c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return rc == 0 ? std::optional(win32::narrow(data)) : std::nullopt;
}

loopback_listener::loopback_listener() {
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
  for (std::uint16_t port = static_cast<std::uint16_t>(4000 + GetCurrentProcessId() % 3000); port < 9999;
       ++port) {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(socket_, 4) == 0) {
      port_ = port;
      return;
    }
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
}

loopback_listener::~loopback_listener() {
  close();
  WSACleanup();
}

void loopback_listener::close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

}  // namespace setup::test
