// The TDS messages the simulated server reads (PRELOGIN, LOGIN7, SQL batch, RPC) and the tokens it
// answers with, for TDS 7.1 to 7.4. Parsers check every length against the message and return nothing
// for a malformed one; they never read outside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/engine/engine.h"
#include "sim/tds/tds_buffer.h"

namespace sqlsim::tds {

// Message types in the packet header.
inline constexpr std::uint8_t packet_batch = 0x01;
inline constexpr std::uint8_t packet_rpc = 0x03;
inline constexpr std::uint8_t packet_reply = 0x04;
inline constexpr std::uint8_t packet_attention = 0x06;
inline constexpr std::uint8_t packet_transaction = 0x0E;
inline constexpr std::uint8_t packet_login7 = 0x10;
inline constexpr std::uint8_t packet_prelogin = 0x12;

inline constexpr std::size_t packet_header_size = 8;
inline constexpr std::uint8_t status_end_of_message = 0x01;

// DONE status bits.
inline constexpr std::uint16_t done_more = 0x0001;
inline constexpr std::uint16_t done_error = 0x0002;
inline constexpr std::uint16_t done_count = 0x0010;
inline constexpr std::uint16_t done_attention = 0x0020;

// DONE token kinds.
inline constexpr std::uint8_t token_done = 0xFD;
inline constexpr std::uint8_t token_done_proc = 0xFE;
inline constexpr std::uint8_t token_done_in_proc = 0xFF;

// The TDS version as LOGIN7 and LOGINACK carry it; its first byte is 0x71 to 0x74.
using tds_version = std::uint32_t;
inline bool has_all_headers(tds_version version) {
  return (version >> 24) >= 0x72;
}

struct prelogin_request {
  bool has_mars = false;  // the client sent the MARS option (7.2 and later)
};
std::optional<prelogin_request> parse_prelogin(const bytes& payload);
// VERSION, ENCRYPTION "not supported", INSTOPT, THREADID and, when the client sent it, MARS off.
bytes prelogin_reply(const prelogin_request& request, server_version version);

struct login_request {
  tds_version version = 0;
  std::uint32_t packet_size = 0;
  std::string host;
  std::string user;
  std::string password;
  std::string app;
  std::string server;
  std::string language;
  std::string database;
};
// Nothing for a malformed message or a TDS version outside 7.1 to 7.4.
std::optional<login_request> parse_login7(const bytes& payload);
// The packet size a login asks for, within what TDS allows (512 to 32767; 0 means 4096).
std::uint32_t negotiated_packet_size(std::uint32_t requested);

// The text of a SQL batch; nothing when malformed.
std::optional<std::string> parse_batch(const bytes& payload, tds_version version);

struct rpc_parameter {
  std::string name;
  std::optional<std::string> value;  // as text; nullopt for NULL
};
struct rpc_request {
  std::string procedure;  // the name sent, or the name of the well-known procedure id
  std::vector<rpc_parameter> parameters;
};
struct rpc_parse {
  enum class result { ok, malformed, unsupported } outcome = result::malformed;
  rpc_request request;
  std::string reason;  // for unsupported: what was not understood
};
rpc_parse parse_rpc(const bytes& payload, tds_version version);

// sp_executesql's arguments: the statement, and the values named by its declaration list.
struct executesql_call {
  std::string statement;
  std::vector<parameter> parameters;
};
// Nothing when the call is not sp_executesql or lacks its statement.
std::optional<executesql_call> as_executesql(const rpc_request& request);

// Values bound to a declaration list ("@P1 INT, @P2 NVARCHAR(10)"): each value under its own name, else
// the name declared at its place, else @P1, @P2... by its place.
std::vector<parameter> bind_parameters(std::string_view declarations, const std::vector<rpc_parameter>& values);

// The procedures of prepared execution as drivers call them (FreeTDS: sp_prepexec on the first
// SQLExecute, sp_execute on the next ones, sp_prepare to describe a statement before it runs,
// sp_unprepare when the statement is freed).
struct prepared_call {
  enum class kind { prepare, execute, prepexec, unprepare } type = kind::execute;
  std::optional<std::int32_t> handle;  // sp_execute, sp_unprepare: the statement's handle, if it is one
  std::string statement;               // sp_prepare, sp_prepexec
  std::string declarations;            // sp_prepare, sp_prepexec: the parameters' declaration list
  std::vector<rpc_parameter> values;   // sp_execute, sp_prepexec: the parameters' values
  // The first parameter the procedure needs and was not given (then nothing else is meaningful).
  std::string missing;
};
// Nothing when the call is none of those four procedures.
std::optional<prepared_call> as_prepared_call(const rpc_request& request);

// The transaction-manager request type (5 begin, 7 commit, 8 rollback...); nothing when malformed.
std::optional<std::uint16_t> parse_transaction_request(const bytes& payload, tds_version version);

// Builds the tokens of one reply message in the formats of the negotiated TDS version.
class token_writer {
 public:
  explicit token_writer(tds_version version) : version_(version) {}

  const bytes& data() const { return out_.data(); }
  bytes& data() { return out_.data(); }

  void env_database(std::string_view now, std::string_view before);
  void env_language(std::string_view now, std::string_view before);
  void env_packet_size(std::uint32_t now, std::uint32_t before);
  void env_collation();
  // ERROR for a severity above 10, INFO otherwise.
  void message(const server_message& m);
  void login_ack(server_version version);
  void done(std::uint8_t token, std::uint16_t status, std::uint64_t count = 0);
  // COLMETADATA and ROWs of text columns. False (nothing written) when a value is too long for the
  // version (more than 4000 characters under TDS 7.1).
  bool row_set(const sqlsim::row_set& rows);
  void return_status(std::int32_t value);
  // RETURNVALUE of an output parameter of type INT (NULL when there is no value).
  void return_value(std::string_view name, std::optional<std::int32_t> value);

 private:
  void env_text(std::uint8_t type, std::string_view now, std::string_view before);
  void b_varchar(std::string_view text);

  tds_version version_;
  byte_writer out_;
};

}  // namespace sqlsim::tds
