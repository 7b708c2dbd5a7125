// The parsers of client messages on cut and damaged input: they reject it, never read past it.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "sim/tds/tds_messages.h"
#include "tests/wire/tds/tds_client.h"

namespace sqlsim::tds {
namespace {

void nvarchar(byte_writer& w, const std::string& text) {
  const std::u16string units = setup::utf8_to_utf16(text);
  w.u8(0);  // no name
  w.u8(0);  // by value
  w.u8(0xE7);
  w.u16_le(8000);
  w.raw({0x09, 0x04, 0xD0, 0x00, 0x34});
  w.u16_le(static_cast<std::uint16_t>(units.size() * 2));
  w.utf16(units);
}

// sp_executesql by its id, as FreeTDS sends a statement with bound parameters.
bytes executesql_message() {
  byte_writer w;
  w.raw({22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
  w.u16_le(0xFFFF);
  w.u16_le(10);
  w.u16_le(0);
  nvarchar(w, "select name from master.dbo.sysdatabases where name = @P1 and x = @P2 and y = @P3");
  nvarchar(w, "@P1 NVARCHAR(4),@P2 VARCHAR(10),@P3 INT");
  nvarchar(w, "单店");
  w.raw({0, 0, 0xA7, 0x0A, 0x00, 0x09, 0x04, 0xD0, 0x00, 0x34, 0xFF, 0xFF});  // VARCHAR NULL
  w.raw({0, 0, 0x26, 4, 4, 42, 0, 0, 0});                                     // INT 42
  return w.data();
}

TEST(Messages, ExecuteSqlCallIsReadWithItsTypedParameters) {
  const rpc_parse parsed = parse_rpc(executesql_message(), test::tds74);
  ASSERT_EQ(parsed.outcome, rpc_parse::result::ok);
  const std::optional<executesql_call> call = as_executesql(parsed.request);
  ASSERT_TRUE(call.has_value());
  ASSERT_EQ(call->parameters.size(), 3u);
  EXPECT_EQ(call->parameters[0].value, std::optional<std::string>("单店"));
  EXPECT_EQ(call->parameters[1].name, "@P2");
  EXPECT_FALSE(call->parameters[1].value.has_value());
  EXPECT_EQ(call->parameters[2].value, std::optional<std::string>("42"));

  bytes unknown_type = executesql_message();
  unknown_type.insert(unknown_type.end(), {0, 0, 0x22, 0, 0, 0, 0});  // IMAGE
  const rpc_parse unsupported = parse_rpc(unknown_type, test::tds74);
  EXPECT_EQ(unsupported.outcome, rpc_parse::result::unsupported);
  EXPECT_EQ(unsupported.reason, "parameter type 0x22");
}

TEST(Messages, EveryCutOfAMessageIsRejectedOrShorter) {
  const bytes rpc = executesql_message();
  for (std::size_t size = 0; size < rpc.size(); ++size) {
    const bytes cut(rpc.begin(), rpc.begin() + static_cast<std::ptrdiff_t>(size));
    const rpc_parse parsed = parse_rpc(cut, test::tds74);
    // A cut between two parameters is a well-formed call with fewer of them.
    if (parsed.outcome == rpc_parse::result::ok) {
      EXPECT_LT(parsed.request.parameters.size(), 5u) << size;
    }
  }
  const bytes login = test::login7_message(test::tds74, "sa", "pw");
  ASSERT_TRUE(parse_login7(login).has_value());
  for (std::size_t size = 0; size < login.size(); ++size) {
    EXPECT_FALSE(parse_login7(bytes(login.begin(), login.begin() + static_cast<std::ptrdiff_t>(size))))
        << size;
  }
  const bytes prelogin = test::prelogin_message();
  ASSERT_TRUE(parse_prelogin(prelogin).has_value());
  for (std::size_t size = 0; size < prelogin.size(); ++size) {
    EXPECT_FALSE(
        parse_prelogin(bytes(prelogin.begin(), prelogin.begin() + static_cast<std::ptrdiff_t>(size))))
        << size;
  }
}

TEST(Messages, LoginCarriesDecodedPasswordAndPacketSizeWithinLimits) {
  const std::optional<login_request> login =
      parse_login7(test::login7_message(test::tds71, "sa", "p;w}d 密"));
  ASSERT_TRUE(login.has_value());
  EXPECT_EQ(login->user, "sa");
  EXPECT_EQ(login->password, "p;w}d 密");
  EXPECT_EQ(login->database, "master");
  EXPECT_EQ(negotiated_packet_size(0), 4096u);
  EXPECT_EQ(negotiated_packet_size(100), 512u);
  EXPECT_EQ(negotiated_packet_size(65536), 32767u);
}

}  // namespace
}  // namespace sqlsim::tds
