// The arrows between the layers run one way: app -> wizard -> (discovery, install, service) -> model
// -> platform. Nothing under platform/ knows the wizard, the portable platform code knows none of its
// implementations, and the product reaches the system only in platform/win32 and platform/odbc. Read
// from the #include lines of every source file of the tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct layer {
  std::string folder;  // relative to the source tree, with a trailing slash; the most specific wins
  std::vector<std::string> may_include;  // folders whose headers it may include
  bool system_headers = false;           // headers other than the C++ standard library's
};

const std::vector<std::string> portable_platform = {"platform/"};

// Folders not listed here (sim/, tests/, tools/) are programs of their own and may include anything.
const std::vector<layer> layers = {
    {"app/windows/", {"app/", "wizard/", "model/", "platform/", "platform/win32/", "platform/odbc/"}},
    {"app/", {"app/", "wizard/", "model/", "platform/"}},
    {"wizard/", {"wizard/", "discovery/", "install/", "service/", "model/", "platform/"}},
    {"discovery/", {"discovery/", "model/", "platform/"}},
    {"install/", {"install/", "model/", "platform/"}},
    {"service/", {"service/", "model/", "platform/"}},
    {"model/", {"model/", "platform/"}},
    {"platform/win32/", {"platform/", "platform/win32/"}, true},
    // On Windows the ODBC headers need windows.h first, which the Win32 code includes in one way.
    {"platform/odbc/", {"platform/", "platform/odbc/", "platform/win32/"}, true},
    {"platform/memory/", {"platform/", "platform/memory/"}},
    {"platform/", {"platform/"}},
};

const layer* layer_of(const std::string& file) {
  const layer* found = nullptr;
  for (const layer& l : layers) {
    if (file.rfind(l.folder, 0) == 0 && (found == nullptr || l.folder.size() > found->folder.size())) found = &l;
  }
  return found;
}

// The folder a project header lives in: "platform/win32/" for "platform/win32/view.h".
std::string folder_of(const std::string& header) {
  return header.substr(0, header.rfind('/') + 1);
}

// A C++ standard library header has a plain name: <string>, <cstdint>; <windows.h> and <sys/socket.h>
// are the system's.
bool is_standard_header(const std::string& name) {
  return name.find('.') == std::string::npos && name.find('/') == std::string::npos;
}

// Every violation in one file, as "file: #include ... (why)".
std::vector<std::string> violations(const std::string& file, std::istream& text) {
  std::vector<std::string> found;
  const layer* l = layer_of(file);
  if (l == nullptr) return found;
  static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::string line;
  while (std::getline(text, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, include)) continue;
    const std::string name = m[2];
    if (m[1] == "<") {
      if (!l->system_headers && !is_standard_header(name)) {
        found.push_back(file + ": " + line + " (a system header outside platform/win32 and platform/odbc)");
      }
      continue;
    }
    const std::string folder = folder_of(name);
    bool allowed = false;
    for (const std::string& may : l->may_include) allowed = allowed || folder == may;
    if (!allowed) found.push_back(file + ": " + line + " (against the layers)");
  }
  return found;
}

TEST(Layers, EveryIncludeRunsWithTheArrows) {
  const fs::path root = SETUP_SOURCE_DIR;
  std::vector<std::string> found;
  int files = 0;
  for (const char* top : {"app", "wizard", "model", "discovery", "install", "service", "platform"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h" && extension != ".inc")) continue;
      std::ifstream text(entry.path());
      const std::string file = fs::relative(entry.path(), root).generic_string();
      for (std::string& v : violations(file, text)) found.push_back(std::move(v));
      ++files;
    }
  }
  EXPECT_GT(files, 50) << "the source tree was not found at " << root;
  for (const std::string& v : found) ADD_FAILURE() << v;
}

// The rule itself, on lines that break it and lines that keep it.
TEST(Layers, TheRuleCatchesIncludesAgainstTheArrows) {
  struct row {
    std::string file;
    std::string line;
    bool violates;
  };
  const std::vector<row> rows = {
      {"discovery/instances.cpp", R"(#include "wizard/w_server.h")", true},
      {"discovery/instances.cpp", R"(#include "install/installer.h")", true},
      {"discovery/instances.cpp", R"(#include "model/wizard_context.h")", false},
      {"discovery/instances.cpp", R"(#include <windows.h>)", true},
      {"discovery/instances.cpp", R"(#include <string>)", false},
      {"platform/registry.cpp", R"(#include "platform/win32/win32_api.h")", true},
      {"platform/registry.cpp", R"(#include "model/w_server_state.h")", true},
      {"platform/win32/view.cpp", R"(#include <windows.h>)", false},
      {"platform/memory/memory_files.cpp", R"(#include "platform/win32/win32_api.h")", true},
      {"model/w_server_controls.h", R"(  #  include "wizard/w_server.h")", true},
      {"wizard/w_server.cpp", R"(#include "service/port.h")", false},
      {"app/windows/main.cpp", R"(#include "platform/win32/view.h")", false},
      {"app/server_application.cpp", R"(#include "platform/win32/view.h")", true},
      {"sim/engine/engine.cpp", R"(#include <sys/socket.h>)", false},
  };
  for (const row& r : rows) {
    std::istringstream text(r.line + "\n");
    EXPECT_EQ(!violations(r.file, text).empty(), r.violates) << r.file << ": " << r.line;
  }
}

}  // namespace
