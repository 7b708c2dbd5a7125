#include "app/server_application.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/wizard/machine.h"

namespace setup {
namespace {

struct recorded {
  std::vector<std::string> events;
};

// A connection that notes when it is made and destroyed.
class noted_connection final : public transaction {
 public:
  explicit noted_connection(recorded& r) : r_(r) { r_.events.push_back("sqlca created"); }
  ~noted_connection() override { r_.events.push_back("sqlca destroyed"); }
  void connect() override {}
  void disconnect() override {}
  bool connected() const override { return false; }
  std::optional<std::string> select_single(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void execute_immediate(std::string_view, const message_handler&) override {}
  void execute_bound(std::string_view, std::string_view) override {}
  std::optional<result_set> select_rows(std::string_view) override { return std::nullopt; }

 private:
  recorded& r_;
};

class noted_host final : public window_host {
 public:
  explicit noted_host(recorded& r) : r_(r) {}
  void run(ui::form& window) override {
    r_.events.push_back("shown: " + window.title());
    window.close();
    r_.events.push_back("closed");
  }

 private:
  recorded& r_;
};

TEST(Application, CreatesTheConnectionOpensTheWindowAndReleasesEverythingAfterItCloses) {
  test::machine m;
  m.setup_ini("ProductName=澜拓\r\nVersion=9\r\n");
  recorded r;
  noted_host host(r);
  server_application app(
      m.sys, [&] { return std::make_unique<noted_connection>(r); }, host);
  EXPECT_EQ(app.run(), 0);
  EXPECT_EQ(app.appname(), "server");
  EXPECT_EQ(r.events, (std::vector<std::string>{"sqlca created", "shown: [澜拓9]服务器安装程序", "closed",
                                                "sqlca destroyed"}));
}

TEST(Application, DoesNotStartWithoutItsConnectionObject) {
  test::machine m;
  recorded r;
  noted_host host(r);
  server_application app(
      m.sys, [] { return std::unique_ptr<transaction>(); }, host);
  EXPECT_EQ(app.run(), 1);
  EXPECT_TRUE(r.events.empty());
}

TEST(Application, EachRunLeavesALogOrGoesOnWithoutOne) {
  const std::string temp = "C:\\Users\\technician\\AppData\\Local\\Temp";
  const std::string first = temp + "\\server_setup_20261209_103005.log";
  struct row {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(test::machine&)> arrange;
    std::string log;  // empty: none
  };
  const std::vector<row> rows = {
      {"in the temporary folder", {}, [&](test::machine& m) { m.fs.add_directory(temp); }, first},
      {"a second run in the same second",
       {},
       [&](test::machine& m) { m.fs.add_file(first, "the first run's"); },
       temp + "\\server_setup_20261209_103005_2.log"},
      {"the file given, replaced",
       {"/LOG=D:\\logs\\store 12.log"},
       [](test::machine& m) { m.fs.add_file("D:\\logs\\store 12.log", "old"); },
       "D:\\logs\\store 12.log"},
      {"no temporary folder", {}, [](test::machine& m) { m.env.temp.clear(); }, ""},
      {"a temporary folder that is not there", {}, [](test::machine&) {}, ""},
      {"a log file that cannot be written",
       {"/log=D:\\logs\\store.log"},
       [](test::machine& m) {
         m.fs.add_file("D:\\logs\\store.log", "held open by another program");
         m.fs.lock("D:\\logs\\store.log");
       },
       ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    test::machine m;
    m.setup_ini("ProductName=澜拓\r\nVersion=9\r\n");
    r.arrange(m);
    recorded events;
    noted_host host(events);
    server_application app(
        m.sys, [&] { return std::make_unique<noted_connection>(events); }, host, r.arguments);
    EXPECT_EQ(app.run(), 0) << "the program runs with or without its log";
    EXPECT_EQ(events.events.size(), 4u);
    if (r.log.empty()) {
      EXPECT_TRUE(m.log.contains("log file: none could be made"));
      continue;
    }
    const std::string text = m.fs.content(r.log).value_or("");
    std::vector<std::string> order = {
        "server.exe 1.0.0.0 started",
        "machine: Windows 10.0 build 19045 (workstation), 64-bit, user technician, "
        "elevated",
        "profile: product qvxlov9, name 澜拓, version 9", "open step done: [澜拓9]", "server ended"};
    std::size_t at = 0;
    for (const std::string& event : order) {
      at = text.find("  " + event, at);
      EXPECT_NE(at, std::string::npos) << event << "\n" << text;
    }
  }
}

}  // namespace
}  // namespace setup
