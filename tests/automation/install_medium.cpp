#include "tests/automation/install_medium.h"

namespace setup::automation {
namespace {

constexpr std::string_view resource_folder = "resource";

std::string file_name_of(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string server_exe() {
  return test::windows_path_of_unix(SETUP_SERVER_EXE);
}

std::string built_program(std::string_view file_name) {
  return test::windows_path_of_unix(SETUP_AUTOMATION_BIN) + "\\" + std::string(file_name);
}

std::string in_code_page(std::string_view utf8, unsigned code_page) {
  const std::wstring wide = win32::wide(utf8);
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string bytes(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size, nullptr,
                        nullptr);
  }
  return bytes;
}

install_medium::install_medium() : install_medium(server_exe()) {}

install_medium::install_medium(const std::string& program, bool with_pictures) {
  program_ = folder_ / file_name_of(program);
  if (!CopyFileW(win32::wide(program).c_str(), win32::wide(program_).c_str(), FALSE)) {
    error_ = "cannot copy " + program + " (error " + std::to_string(GetLastError()) + ")";
    return;
  }
  if (!with_pictures) return;
  const std::string pictures = folder_ / resource_folder;
  CreateDirectoryW(win32::wide(pictures).c_str(), nullptr);
  const std::wstring demo_pictures =
      win32::wide(test::windows_path_of_unix(SETUP_DEMO_DIR)) + L"\\resource\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((demo_pictures + L"*.gif").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    error_ = "no pictures in the demo medium's resource folder";
    return;
  }
  do {
    const std::wstring target = win32::wide(pictures) + L"\\" + found.cFileName;
    if (!CopyFileW((demo_pictures + found.cFileName).c_str(), target.c_str(), FALSE)) {
      error_ = "cannot copy the picture " + win32::narrow(found.cFileName);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

testing::AssertionResult install_medium::ready() const {
  if (error_.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "install medium " << path() << ": " << error_;
}

bool install_medium::write_setup_ini(std::string_view lines) {
  return write("setup.ini", "[Options]\r\n" + std::string(lines));
}

bool install_medium::write_setup_des(std::string_view lines, unsigned code_page) {
  const std::string text = "[oem]\r\n" + std::string(lines);
  return write("setup.des", code_page == 0 ? text : in_code_page(text, code_page));
}

bool install_medium::write(std::string_view name, std::string_view bytes) {
  return test::write_file(folder_ / name, bytes);
}

bool install_medium::copy_demo_profile() {
  const std::string demo = test::windows_path_of_unix(SETUP_DEMO_DIR);
  const std::string des = demo + "\\setup.des";
  if (GetFileAttributesW(win32::wide(des).c_str()) != INVALID_FILE_ATTRIBUTES &&
      !CopyFileW(win32::wide(des).c_str(), win32::wide(folder_ / "setup.des").c_str(), FALSE)) {
    return false;
  }
  return CopyFileW(win32::wide(demo + "\\setup.ini").c_str(), win32::wide(folder_ / "setup.ini").c_str(),
                   FALSE);
}

program::options install_medium::start_options(
    std::vector<std::pair<std::string, std::string>> environment) const {
  program::options how;
  how.executable = program_;
  how.directory = path();
  how.environment = std::move(environment);
  return how;
}

}  // namespace setup::automation
