// The TDS listener in process, spoken to byte by byte: the login reply, errors, packet sizes,
// attention, and what a malformed message does (it closes its connection and nothing else).
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text.h"
#include "sim/engine/backup_format.h"
#include "sim/tds/tds_listener.h"
#include "sim/tds/tds_messages.h"
#include "tests/wire/tds/tds_client.h"

namespace sqlsim::tds {
namespace {

using test::client;
using test::reply;
using test::token;

constexpr const char* sa_password = "tds-Pw";

std::vector<std::uint8_t> types_of(const reply& r) {
  std::vector<std::uint8_t> types;
  for (const token& t : r.tokens) types.push_back(t.type);
  return types;
}

const token* first(const reply& r, std::uint8_t type) {
  for (const token& t : r.tokens) {
    if (t.type == type) return &t;
  }
  return nullptr;
}

class Listener : public ::testing::Test {
 protected:
  void SetUp() override {
    c_drive_ = std::filesystem::temp_directory_path() /
               ("tds_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(c_drive_ / "data");
    std::ofstream(c_drive_ / "backup.dat") << format_backup(make_product_backup("tds", "tds"));
    engine_options options;
    options.sa_password = sa_password;
    options.c_drive = c_drive_;
    engine_ = std::make_unique<engine>(options);
    listener_options served;
    served.after_request = [this] { ++requests_; };
    listener_ = std::make_unique<listener>(*engine_, served);
    std::string error;
    ASSERT_TRUE(listener_->start(error)) << error;
  }
  void TearDown() override {
    listener_->stop();
    std::error_code ignored;
    std::filesystem::remove_all(c_drive_, ignored);
  }

  std::uint16_t port() const { return listener_->port(); }

  // A logged-in client, or a failed assertion.
  std::unique_ptr<client> logged_in(std::uint32_t version = test::tds74, std::uint32_t packet_size = 4096) {
    auto c = std::make_unique<client>(port());
    EXPECT_TRUE(c->connected());
    const std::optional<reply> r = c->login("sa", sa_password, version, packet_size);
    EXPECT_TRUE(r && r->well_formed);
    return c;
  }

  std::filesystem::path c_drive_;
  std::unique_ptr<engine> engine_;
  std::unique_ptr<listener> listener_;
  std::atomic<int> requests_{0};  // counted on the listener's thread
};

TEST_F(Listener, LoginReplyHasTheOrderClientsExpectForEachVersion) {
  for (std::uint32_t version : {test::tds71, 0x72090002u, 0x730B0003u, test::tds74}) {
    client c(port());
    const std::optional<reply> r = c.login("sa", sa_password, version, 8192);
    ASSERT_TRUE(r && r->well_formed) << std::hex << version;
    EXPECT_EQ(types_of(*r), (std::vector<std::uint8_t>{0xE3, 0xAB, 0xE3, 0xE3, 0xAB, 0xAD, 0xE3, 0xFD}));
    EXPECT_EQ(r->tokens[0].env_value, "master");
    EXPECT_EQ(r->tokens[1].number, 5701);
    EXPECT_EQ(r->tokens[2].env_type, 7);
    EXPECT_EQ(r->tokens[4].number, 5703);
    EXPECT_EQ(r->tokens[5].version, version);
    EXPECT_EQ(r->tokens[6].env_value, "8192");
    EXPECT_EQ(r->tokens[7].status, 0);
  }
}

TEST_F(Listener, RefusedLoginSendsErrorAndDoneThenCloses) {
  client c(port());
  const std::optional<reply> r = c.login("sa", "wrong");
  ASSERT_TRUE(r && r->well_formed);
  ASSERT_EQ(types_of(*r), (std::vector<std::uint8_t>{0xAA, 0xFD}));
  EXPECT_EQ(r->tokens[0].number, 18456);
  EXPECT_EQ(r->tokens[0].text, "Login failed for user 'sa'.");
  EXPECT_EQ(r->tokens[1].status & done_error, done_error);
  EXPECT_TRUE(c.closed_by_server());
}

TEST_F(Listener, MalformedMessagesCloseOnlyTheirConnection) {
  bytes login = test::login7_message(test::tds74, "sa", sa_password);
  bytes bad_offset = login;
  bad_offset[36 + 4] = 0xFF;  // UserName's offset far past the end
  bad_offset[36 + 5] = 0x7F;
  bytes short_login(login.begin(), login.begin() + 40);
  bytes bad_version = login;
  bad_version[7] = 0x70;  // TDS 7.0
  bytes bad_length = login;
  bad_length[0] = 0xFF;
  bad_length[1] = 0xFF;

  const std::vector<std::pair<std::string, bytes>> raw_cases = {
      {"header shorter than itself", {0x12, 0x01, 0x00, 0x04, 0, 0, 0, 0}},
      {"prelogin option past the end",
       {0x12, 0x01, 0x00, 0x0E, 0, 0, 0, 0, 0x00, 0x00, 0x40, 0x00, 0x06, 0xFF}},
      {"batch before the login", {0x01, 0x01, 0x00, 0x0A, 0, 0, 0, 0, 0x41, 0x00}},
  };
  for (const auto& [what, data] : raw_cases) {
    client c(port());
    ASSERT_TRUE(c.send_raw(data)) << what;
    EXPECT_TRUE(c.closed_by_server()) << what;
  }
  for (const bytes& message : {bad_offset, short_login, bad_version, bad_length}) {
    client c(port());
    ASSERT_TRUE(c.send(packet_login7, message));
    EXPECT_TRUE(c.closed_by_server());
  }
  {
    // A batch of an odd number of bytes, and ALL_HEADERS longer than the message.
    auto c = logged_in();
    bytes odd = test::batch_message("select 1");
    odd.push_back(0x41);
    ASSERT_TRUE(c->send(packet_batch, odd));
    EXPECT_TRUE(c->closed_by_server());
    c = logged_in();
    bytes headers = test::batch_message("select 1");
    headers[0] = 0xFF;
    ASSERT_TRUE(c->send(packet_batch, headers));
    EXPECT_TRUE(c->closed_by_server());
  }
  // The server still serves.
  auto c = logged_in();
  ASSERT_TRUE(c->send(packet_batch,
                      test::batch_message("select name from master.dbo.sysdatabases where name = 'master'")));
  const std::optional<reply> r = c->receive();
  ASSERT_TRUE(r && r->well_formed);
  const token* row = first(*r, 0xD1);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->values, (std::vector<std::optional<std::string>>{"master"}));
}

TEST_F(Listener, RequestsAndRepliesAreCutAtTheNegotiatedPacketSize) {
  auto c = logged_in(test::tds74, 512);
  // A batch of several request packets, whose statements make a reply of several packets.
  std::string batch;
  const int statements = 24;
  for (int i = 0; i < statements; ++i) batch += "exec sp_configure 'allow updates',0\n";
  ASSERT_TRUE(c->send(packet_batch, test::batch_message(batch), 512));
  const std::optional<reply> r = c->receive();
  ASSERT_TRUE(r && r->well_formed);
  ASSERT_GT(r->packet_sizes.size(), 1u);
  for (std::size_t size : r->packet_sizes) EXPECT_LE(size, 512u);
  EXPECT_EQ(first(*r, 0xAA), nullptr);
  int dones = 0;
  for (const token& t : r->tokens) {
    if (t.type != token_done) continue;
    ++dones;
    EXPECT_EQ(t.status & done_more, dones < statements ? done_more : 0);
  }
  EXPECT_EQ(dones, statements);
  EXPECT_EQ(requests_, 1);
}

TEST_F(Listener, RestoreProgressComesAsMessagesEachFollowedByDoneMore) {
  auto c = logged_in(test::tds71);
  const std::string restore =
      "RESTORE DATABASE tds FROM DISK = N'c:\\backup.dat' WITH FILE = 1, NOUNLOAD, STATS = 10, RECOVERY, "
      "REPLACE, MOVE N'tds_Log' TO N'c:\\data\\tds_Log.LDF', MOVE N'tds_Data' TO N'c:\\data\\tds_Data.MDF'";
  ASSERT_TRUE(c->send(packet_batch, test::batch_message(restore, test::tds71)));
  const std::optional<reply> r = c->receive(test::tds71);
  ASSERT_TRUE(r && r->well_formed);
  int progress = 0;
  for (std::size_t i = 0; i + 1 < r->tokens.size(); ++i) {
    if (r->tokens[i].number != 3211) continue;
    ++progress;
    EXPECT_EQ(r->tokens[i + 1].type, token_done);
    EXPECT_EQ(r->tokens[i + 1].status, done_more);
  }
  EXPECT_EQ(progress, 10);
  EXPECT_EQ(r->tokens.back().type, token_done);
  EXPECT_EQ(r->tokens.back().status & (done_more | done_error), 0);
  EXPECT_TRUE(std::filesystem::exists(c_drive_ / "data" / "tds_Data.MDF"));
}

TEST_F(Listener, AttentionCancelsAPendingBatchAndIsAcknowledged) {
  auto c = logged_in();
  const bytes batch = test::batch_message("sp_addlogin 'cancelled_user','x'");
  // The batch and the attention arrive together, before the server answers.
  const std::size_t length = batch.size() + 8;
  bytes both = {
      packet_batch, 1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 1, 0};
  both.insert(both.end(), batch.begin(), batch.end());
  both.insert(both.end(), {packet_attention, 1, 0, 8, 0, 0, 1, 0});
  ASSERT_TRUE(c->send_raw(both));
  const std::optional<reply> r = c->receive();
  ASSERT_TRUE(r && r->well_formed);
  ASSERT_EQ(r->tokens.size(), 1u);
  EXPECT_EQ(r->tokens[0].status & done_attention, done_attention);

  // An attention after the reply is acknowledged on its own.
  ASSERT_TRUE(c->send(packet_attention, {}));
  const std::optional<reply> late = c->receive();
  ASSERT_TRUE(late && late->well_formed);
  ASSERT_EQ(late->tokens.size(), 1u);
  EXPECT_EQ(late->tokens[0].status & done_attention, done_attention);

  // The cancelled statement never ran: its login does not exist.
  c.reset();
  client refused(port());
  const std::optional<reply> login = refused.login("cancelled_user", "x");
  ASSERT_TRUE(login.has_value());
  EXPECT_EQ(first(*login, 0xAD), nullptr);
}

// An RPC parameter: NVARCHAR text, an INT, or the INT output parameter @handle (sent as NULL).
struct rpc_argument {
  enum class kind { text, number, output } type;
  std::string text;
  std::int32_t number = 0;
};
rpc_argument text(std::string value) {
  return {rpc_argument::kind::text, std::move(value)};
}
rpc_argument number(std::int32_t value) {
  return {rpc_argument::kind::number, "", value};
}
const rpc_argument output_handle{rpc_argument::kind::output, ""};

// A call of a procedure by its well-known id, or by name when the id is 0.
bytes rpc(std::uint16_t id, const std::string& name, const std::vector<rpc_argument>& arguments) {
  byte_writer w;
  w.raw({22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  if (id != 0) {
    w.u16_le(0xFFFF);
    w.u16_le(id);
  } else {
    const std::u16string units = setup::utf8_to_utf16(name);
    w.u16_le(static_cast<std::uint16_t>(units.size()));
    w.utf16(units);
  }
  w.u16_le(0);
  for (const rpc_argument& a : arguments) {
    w.u8(0);
    if (a.type == rpc_argument::kind::text) {
      const std::u16string units = setup::utf8_to_utf16(a.text);
      w.raw({0, 0xE7, 0x40, 0x1F, 0x09, 0x04, 0xD0, 0x00, 0x34});
      w.u16_le(static_cast<std::uint16_t>(units.size() * 2));
      w.utf16(units);
    } else if (a.type == rpc_argument::kind::number) {
      w.raw({0, 0x26, 4, 4});
      w.u32_le(static_cast<std::uint32_t>(a.number));
    } else {
      w.raw({1, 0x26, 4, 0});
    }
  }
  return w.data();
}

std::optional<std::string> returned_handle(const reply& r) {
  const token* value = first(r, 0xAC);
  if (value == nullptr || value->values.size() != 1) return std::string("none");
  return value->values[0];
}

TEST_F(Listener, PreparedStatementsGetHandlesRunWithTheirValuesAndGoAway) {
  auto c = logged_in();
  const auto call = [&](const bytes& message) {
    EXPECT_TRUE(c->send(packet_rpc, message));
    std::optional<reply> r = c->receive();
    EXPECT_TRUE(r && r->well_formed);
    return r.value_or(reply{});
  };
  const std::string select = "select name from master.dbo.sysdatabases where name = @P1";
  // sp_prepexec, as FreeTDS sends the first SQLExecute: rows, then the handle.
  reply r = call(rpc(13, "", {output_handle, text("@P1 nvarchar(10)"), text(select), text("master")}));
  ASSERT_NE(first(r, 0xD1), nullptr);
  EXPECT_EQ(first(r, 0xD1)->values, (std::vector<std::optional<std::string>>{"master"}));
  EXPECT_EQ(returned_handle(r), std::optional<std::string>("1"));
  EXPECT_EQ(r.tokens.back().type, token_done_proc);
  EXPECT_EQ(r.tokens.back().status, 0);

  // sp_prepare runs nothing; sp_execute, by name as FreeTDS calls it, runs the statement with a value.
  r = call(rpc(11, "", {output_handle, text("@P1 nvarchar(20)"), text("sp_addlogin @P1, 'pw'"), number(1)}));
  EXPECT_EQ(returned_handle(r), std::optional<std::string>("2"));
  EXPECT_EQ(engine_->dump().find("login 'prepared_login'"), std::string::npos);
  r = call(rpc(0, "sp_execute", {number(2), text("prepared_login")}));
  EXPECT_EQ(first(r, 0xAA), nullptr);
  EXPECT_NE(engine_->dump().find("login 'prepared_login'"), std::string::npos);
  r = call(rpc(0, "sp_execute", {number(1), text("tempdb")}));
  ASSERT_NE(first(r, 0xD1), nullptr);
  EXPECT_EQ(first(r, 0xD1)->values, (std::vector<std::optional<std::string>>{"tempdb"}));
  EXPECT_EQ(returned_handle(r), std::optional<std::string>("none"));

  // Refusals: an unprepared handle (8179), a call without its handle (201), a statement that does not
  // compile (its error, and no handle).
  r = call(rpc(15, "", {number(1)}));
  EXPECT_EQ(first(r, 0xAA), nullptr);
  struct refusal {
    const char* what;
    bytes message;
    long number;
    std::optional<std::string> handle;
  };
  const refusal refusals[] = {
      {"unprepared", rpc(0, "sp_execute", {number(1), text("master")}), 8179, "none"},
      {"never prepared", rpc(15, "", {number(99)}), 8179, "none"},
      {"no handle", rpc(0, "sp_execute", {}), 201, "none"},
      {"syntax", rpc(11, "", {output_handle, text(""), text("select from"), number(1)}), 102, std::nullopt},
      {"syntax, executed", rpc(13, "", {output_handle, text(""), text("select from")}), 102, std::nullopt},
  };
  for (const refusal& f : refusals) {
    r = call(f.message);
    ASSERT_NE(first(r, 0xAA), nullptr) << f.what;
    EXPECT_EQ(first(r, 0xAA)->number, f.number) << f.what;
    EXPECT_EQ(returned_handle(r), f.handle) << f.what;
    EXPECT_EQ(r.tokens.back().type, token_done_proc) << f.what;
  }
  // Handles belong to their connection.
  auto other = logged_in();
  ASSERT_TRUE(other->send(packet_rpc, rpc(0, "sp_execute", {number(2), text("x")})));
  const std::optional<reply> elsewhere = other->receive();
  ASSERT_TRUE(elsewhere && first(*elsewhere, 0xAA));
  EXPECT_EQ(first(*elsewhere, 0xAA)->number, 8179);
}

TEST(ExecuteSql, ParameterNamesComeFromTheDeclarations) {
  rpc_request request;
  request.procedure = "sp_executesql";
  request.parameters = {{"", "select 1 where a = @P1 and b = @P2"},
                        {"", "@P1 NVARCHAR(10), @P2 DECIMAL(10,2)"},
                        {"", "x"},
                        {"", std::nullopt}};
  const std::optional<executesql_call> call = as_executesql(request);
  ASSERT_TRUE(call.has_value());
  EXPECT_EQ(call->statement, "select 1 where a = @P1 and b = @P2");
  ASSERT_EQ(call->parameters.size(), 2u);
  EXPECT_EQ(call->parameters[0].name, "@P1");
  EXPECT_EQ(call->parameters[0].value, std::optional<std::string>("x"));
  EXPECT_EQ(call->parameters[1].name, "@P2");
  EXPECT_FALSE(call->parameters[1].value.has_value());

  request.procedure = "sp_prepexec";
  EXPECT_FALSE(as_executesql(request).has_value());
}

}  // namespace
}  // namespace sqlsim::tds
