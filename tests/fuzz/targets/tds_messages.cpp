// The parsers of client messages on any payload. The first byte picks the message (PRELOGIN, LOGIN7,
// batch, RPC, transaction request: its low four bits) and the TDS version (7.1 to 7.4: its high four
// bits); the rest is the payload. What a parser accepts is UTF-8 within the sizes the payload allows,
// and a message written back from it reads the same.
#include <array>

#include "platform/text.h"
#include "sim/tds/tds_messages.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/wire/tds/tds_client.h"

namespace {

using namespace sqlsim::tds;

constexpr std::array<tds_version, 4> versions = {0x71000001, 0x72090002, 0x730B0003, 0x74000004};

void all_headers(byte_writer& w, tds_version version) {
  if (!has_all_headers(version)) return;
  w.raw({22, 0, 0, 0, 18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
}

// An RPC of the request, every value as NVARCHAR (PLP when longer than NVARCHAR(4000)).
bytes rpc_message(const rpc_request& request, tds_version version) {
  byte_writer w;
  all_headers(w, version);
  const std::u16string name = setup::utf8_to_utf16(request.procedure);
  w.u16_le(static_cast<std::uint16_t>(name.size()));
  w.utf16(name);
  w.u16_le(0);
  for (const rpc_parameter& p : request.parameters) {
    const std::u16string parameter_name = setup::utf8_to_utf16(p.name);
    w.u8(static_cast<std::uint8_t>(parameter_name.size()));
    w.utf16(parameter_name);
    w.u8(0);
    w.u8(0xE7);
    const std::u16string value = p.value ? setup::utf8_to_utf16(*p.value) : std::u16string();
    const bool plp = value.size() * 2 > 8000;
    w.u16_le(plp ? 0xFFFF : 8000);
    w.raw({0x09, 0x04, 0xD0, 0x00, 0x34});
    if (plp) {
      w.u64_le(value.size() * 2);
      w.u32_le(static_cast<std::uint32_t>(value.size() * 2));
      w.utf16(value);
      w.u32_le(0);
    } else if (!p.value) {
      w.u16_le(0xFFFF);
    } else {
      w.u16_le(static_cast<std::uint16_t>(value.size() * 2));
      w.utf16(value);
    }
  }
  return w.data();
}

bool same(const rpc_request& a, const rpc_request& b) {
  if (a.procedure != b.procedure || a.parameters.size() != b.parameters.size()) return false;
  for (std::size_t i = 0; i < a.parameters.size(); ++i) {
    if (a.parameters[i].name != b.parameters[i].name || a.parameters[i].value != b.parameters[i].value) {
      return false;
    }
  }
  return true;
}

void check_prelogin(const bytes& payload) {
  const auto request = parse_prelogin(payload);
  if (!request) return;
  const bytes reply = prelogin_reply(*request, sqlsim::server_version::v2008);
  const auto read_back = parse_prelogin(reply);
  FUZZ_CHECK(read_back.has_value());
  FUZZ_CHECK(read_back->has_mars == request->has_mars);
}

void check_login(const bytes& payload) {
  const auto login = parse_login7(payload);
  if (!login) return;
  const std::uint8_t major = static_cast<std::uint8_t>(login->version >> 24);
  FUZZ_CHECK(major >= 0x71 && major <= 0x74);
  for (const std::string* text : {&login->host, &login->user, &login->password, &login->app, &login->server,
                                  &login->language, &login->database}) {
    FUZZ_CHECK(setup::is_valid_utf8(*text));
    FUZZ_CHECK(setup::utf16_length(*text) * 2 <= payload.size());
  }
  const std::uint32_t packet = negotiated_packet_size(login->packet_size);
  FUZZ_CHECK(packet >= 512 && packet <= 32767);
  // A login written with the same user, password and version reads them back (when its offsets fit).
  if ((setup::utf16_length(login->user) + setup::utf16_length(login->password)) * 2 > 60000) return;
  const auto again =
      parse_login7(test::login7_message(login->version, login->user, login->password, login->packet_size));
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(again->user == login->user && again->password == login->password);
  FUZZ_CHECK(again->version == login->version && again->packet_size == login->packet_size);
}

void check_batch(const bytes& payload, tds_version version) {
  const auto text = parse_batch(payload, version);
  if (!text) return;
  FUZZ_CHECK(setup::is_valid_utf8(*text));
  FUZZ_CHECK(setup::utf16_length(*text) * 2 <= payload.size());
  const auto again = parse_batch(test::batch_message(*text, version), version);
  FUZZ_CHECK(again == text);
  // The text quoted in a message: the token's length field covers it exactly.
  token_writer tokens(version);
  tokens.message(sqlsim::server_message{102, 1, 15, *text, *text, 1});
  const bytes& written = tokens.data();
  FUZZ_CHECK(written.size() >= 3 && (written[1] | written[2] << 8) + 3u == written.size());
}

void check_rpc(const bytes& payload, tds_version version) {
  const rpc_parse parsed = parse_rpc(payload, version);
  if (parsed.outcome == rpc_parse::result::unsupported) FUZZ_CHECK(!parsed.reason.empty());
  if (parsed.outcome != rpc_parse::result::ok) return;
  const rpc_request& request = parsed.request;
  FUZZ_CHECK(setup::is_valid_utf8(request.procedure));
  // A parameter takes at least its name length, status and type bytes.
  FUZZ_CHECK(request.parameters.size() * 3 <= payload.size());
  for (const rpc_parameter& p : request.parameters) {
    FUZZ_CHECK(setup::is_valid_utf8(p.name) && setup::utf16_length(p.name) <= 255);
    if (p.value) FUZZ_CHECK(setup::is_valid_utf8(*p.value));
  }
  if (setup::utf16_length(request.procedure) < 0xFFFF) {
    const rpc_parse again = parse_rpc(rpc_message(request, version), version);
    FUZZ_CHECK(again.outcome == rpc_parse::result::ok);
    FUZZ_CHECK(same(again.request, request));
  }
  if (const auto call = as_prepared_call(request)) {
    using kind = prepared_call::kind;
    const std::size_t leading = call->type == kind::prepare || call->type == kind::prepexec ? 3 : 1;
    if (call->missing.empty()) {
      FUZZ_CHECK(request.parameters.size() >= leading);
      if (call->type == kind::prepexec) FUZZ_CHECK(call->values.size() == request.parameters.size() - 3);
      if (call->type == kind::execute) FUZZ_CHECK(call->values.size() == request.parameters.size() - 1);
      if (call->type == kind::prepare || call->type == kind::unprepare) FUZZ_CHECK(call->values.empty());
      for (const sqlsim::parameter& p : bind_parameters(call->declarations, call->values)) {
        FUZZ_CHECK(!p.name.empty());
      }
    } else {
      FUZZ_CHECK(call->missing.front() == '@' && call->values.empty());
    }
  }
  if (const auto call = as_executesql(request)) {
    FUZZ_CHECK(call->parameters.size() + 2 == std::max<std::size_t>(request.parameters.size(), 2));
    for (const sqlsim::parameter& p : call->parameters) FUZZ_CHECK(!p.name.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const tds_version version = versions[(data[0] >> 4) % versions.size()];
  const bytes payload(data + 1, data + size);
  switch ((data[0] & 0x0F) % 5) {
    case 0:
      check_prelogin(payload);
      break;
    case 1:
      check_login(payload);
      break;
    case 2:
      check_batch(payload, version);
      break;
    case 3:
      check_rpc(payload, version);
      break;
    case 4:
      if (parse_transaction_request(payload, version)) {
        FUZZ_CHECK(payload.size() >= (has_all_headers(version) ? 6u : 2u));
      }
      break;
  }
  return 0;
}
