#include "app/server_application.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace setup
