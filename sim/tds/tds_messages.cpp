#include "sim/tds/tds_messages.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "platform/text.h"

namespace sqlsim::tds {
namespace {

// Latin1_General_CI_AS: LCID 0x0409, sort id 52. Clients take code page 1252 from it.
constexpr std::array<std::uint8_t, 5> collation = {0x09, 0x04, 0xD0, 0x00, 0x34};
constexpr std::string_view server_name = "SQLSIM";
constexpr std::string_view product_name = "Microsoft SQL Server";

constexpr std::size_t login7_fixed_size = 86;
constexpr std::uint16_t max_declared_bytes = 8000;  // NVARCHAR(4000)
constexpr std::uint16_t plp_length = 0xFFFF;        // NVARCHAR(MAX)
constexpr std::uint64_t plp_null = ~std::uint64_t{0};
constexpr std::uint16_t null_length = 0xFFFF;
constexpr std::size_t max_message_units = 4000;
constexpr std::size_t max_b_varchar_units = 255;

// Types of RPC parameters.
constexpr std::uint8_t type_nvarchar = 0xE7;
constexpr std::uint8_t type_nchar = 0xEF;
constexpr std::uint8_t type_varchar = 0xA7;
constexpr std::uint8_t type_char = 0xAF;
constexpr std::uint8_t type_ntext = 0x63;
constexpr std::uint8_t type_text = 0x23;
constexpr std::uint8_t type_intn = 0x26;
constexpr std::uint8_t type_int1 = 0x30;
constexpr std::uint8_t type_int2 = 0x34;
constexpr std::uint8_t type_int4 = 0x38;
constexpr std::uint8_t type_int8 = 0x7F;
constexpr std::uint8_t type_bitn = 0x68;
constexpr std::uint8_t type_bit = 0x32;

// The procedures an RPC can name by number.
constexpr std::array<std::string_view, 16> procedure_ids = {"",
                                                            "sp_cursor",
                                                            "sp_cursoropen",
                                                            "sp_cursorprepare",
                                                            "sp_cursorexecute",
                                                            "sp_cursorprepexec",
                                                            "sp_cursorunprepare",
                                                            "sp_cursorfetch",
                                                            "sp_cursoroption",
                                                            "sp_cursorclose",
                                                            "sp_executesql",
                                                            "sp_prepare",
                                                            "sp_execute",
                                                            "sp_prepexec",
                                                            "sp_prepexecrpc",
                                                            "sp_unprepare"};
constexpr std::string_view executesql = "sp_executesql";

// The four version bytes of PRELOGIN and LOGINACK: major, minor and the build, high byte first.
std::array<std::uint8_t, 4> version_bytes(server_version version) {
  const product_version v = product_version_of(version);
  return {static_cast<std::uint8_t>(v.major), static_cast<std::uint8_t>(v.minor),
          static_cast<std::uint8_t>(v.build >> 8), static_cast<std::uint8_t>(v.build)};
}

// Windows code page 1252, the code page of the collation, for VARCHAR and TEXT values.
std::string from_cp1252(const bytes& data) {
  static constexpr std::array<char16_t, 32> high = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  for (std::uint8_t b : data) {
    setup::append_utf8(out, (b >= 0x80 && b < 0xA0) ? high[b - 0x80] : char32_t{b});
  }
  return out;
}

std::string from_utf16_bytes(byte_reader& r, const bytes& data) {
  if (data.size() % 2 != 0) {
    r.fail();
    return {};
  }
  byte_reader text(data);
  return text.utf16(data.size() / 2);
}

// Reads a PLP value: its total length, chunks, and the zero-length terminator.
std::optional<bytes> read_plp(byte_reader& r) {
  const std::uint64_t total = r.u64_le();
  if (total == plp_null) return std::nullopt;
  bytes data;
  while (r.ok()) {
    const std::uint32_t chunk = r.u32_le();
    if (chunk == 0) break;
    const bytes part = r.take(chunk);
    data.insert(data.end(), part.begin(), part.end());
  }
  return data;
}

std::string integer_text(byte_reader& r, std::size_t size) {
  std::uint64_t raw = 0;
  for (std::size_t i = 0; i < size; ++i) raw |= std::uint64_t{r.u8()} << (8 * i);
  if (size < 8 && (raw >> (8 * size - 1)) & 1) raw |= ~std::uint64_t{0} << (8 * size);
  return std::to_string(static_cast<std::int64_t>(raw));
}

bool is_integer_size(std::size_t size) {
  return size == 1 || size == 2 || size == 4 || size == 8;
}

struct typed_value {
  bool supported = true;
  std::optional<std::string> text;
};

// TYPE_INFO and the value of one RPC parameter.
typed_value read_typed_value(byte_reader& r, std::uint8_t type) {
  typed_value v;
  switch (type) {
    case type_nvarchar:
    case type_nchar:
    case type_varchar:
    case type_char: {
      const bool wide = type == type_nvarchar || type == type_nchar;
      const std::uint16_t max = r.u16_le();
      r.skip(collation.size());
      std::optional<bytes> data;
      if (max == plp_length) {
        data = read_plp(r);
      } else {
        const std::uint16_t length = r.u16_le();
        if (length != null_length) data = r.take(length);
      }
      if (data) v.text = wide ? from_utf16_bytes(r, *data) : from_cp1252(*data);
      return v;
    }
    case type_ntext:
    case type_text: {
      r.u32_le();
      r.skip(collation.size());
      const std::uint32_t length = r.u32_le();
      if (length == 0xFFFFFFFF) return v;
      const bytes data = r.take(length);
      v.text = type == type_ntext ? from_utf16_bytes(r, data) : from_cp1252(data);
      return v;
    }
    case type_intn: {
      const std::uint8_t size = r.u8();
      const std::uint8_t length = r.u8();
      if (!is_integer_size(size) || (length != 0 && !is_integer_size(length))) r.fail();
      if (length != 0 && r.ok()) v.text = integer_text(r, length);
      return v;
    }
    case type_int1:
      v.text = std::to_string(r.u8());
      return v;
    case type_int2:
      v.text = integer_text(r, 2);
      return v;
    case type_int4:
      v.text = integer_text(r, 4);
      return v;
    case type_int8:
      v.text = integer_text(r, 8);
      return v;
    case type_bitn: {
      r.u8();
      const std::uint8_t length = r.u8();
      if (length > 1) r.fail();
      if (length == 1) v.text = r.u8() != 0 ? "1" : "0";
      return v;
    }
    case type_bit:
      v.text = r.u8() != 0 ? "1" : "0";
      return v;
    default:
      v.supported = false;
      return v;
  }
}

void skip_all_headers(byte_reader& r, tds_version version) {
  if (!has_all_headers(version)) return;
  const std::uint32_t total = r.u32_le();
  if (total < 4) r.fail();
  r.skip(total - 4);
}

bool ends_with_procedure(std::string_view name, std::string_view procedure) {
  if (setup::equals_ignore_case_ascii(name, procedure)) return true;
  return name.size() > procedure.size() && name[name.size() - procedure.size() - 1] == '.' &&
         setup::ends_with_ignore_case_ascii(name, procedure);
}

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The parameter names of a declaration list such as "@P1 NVARCHAR(10), @P2 DECIMAL(10,2)".
std::vector<std::string> declared_names(std::string_view declarations) {
  std::vector<std::string> names;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= declarations.size(); ++i) {
    const char c = i < declarations.size() ? declarations[i] : ',';
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if (c != ',' || depth != 0) continue;
    std::string_view item = declarations.substr(start, i - start);
    while (!item.empty() && is_blank(item.front())) item.remove_prefix(1);
    std::size_t end = 0;
    while (end < item.size() && !is_blank(item[end])) ++end;
    names.emplace_back(item.substr(0, end));
    start = i + 1;
  }
  return names;
}

}  // namespace

std::optional<prelogin_request> parse_prelogin(const bytes& payload) {
  byte_reader r(payload);
  prelogin_request request;
  while (true) {
    const std::uint8_t option = r.u8();
    if (!r.ok()) return std::nullopt;
    if (option == 0xFF) break;
    const std::uint16_t offset = r.u16_be();
    const std::uint16_t length = r.u16_be();
    if (!r.ok() || std::size_t{offset} + length > payload.size()) return std::nullopt;
    if (option == 4) request.has_mars = true;
  }
  return request;
}

bytes prelogin_reply(const prelogin_request& request, server_version version) {
  const std::array<std::uint8_t, 4> v = version_bytes(version);
  struct option {
    std::uint8_t type;
    bytes data;
  };
  std::vector<option> options = {{0, {v[0], v[1], v[2], v[3], 0, 0}},
                                 {1, {0x02}},  // encryption not supported: the login goes in plain
                                 {2, {0x00}},
                                 {3, {}}};
  if (request.has_mars) options.push_back({4, {0x00}});
  byte_writer w;
  std::size_t offset = options.size() * 5 + 1;
  for (const option& o : options) {
    w.u8(o.type);
    w.u16_be(static_cast<std::uint16_t>(offset));
    w.u16_be(static_cast<std::uint16_t>(o.data.size()));
    offset += o.data.size();
  }
  w.u8(0xFF);
  for (const option& o : options) w.raw(o.data);
  return w.data();
}

std::optional<login_request> parse_login7(const bytes& payload) {
  byte_reader whole(payload);
  const std::uint32_t length = whole.u32_le();
  if (!whole.ok() || length < login7_fixed_size || length > payload.size()) return std::nullopt;
  byte_reader r(payload.data(), length);
  login_request login;
  r.skip(4);
  login.version = r.u32_le();
  const std::uint8_t major = static_cast<std::uint8_t>(login.version >> 24);
  if (major < 0x71 || major > 0x74) return std::nullopt;
  login.packet_size = r.u32_le();
  r.skip(4 + 4 + 4 + 4 + 4 + 4);  // client version, pid, connection id, flags, time zone, LCID

  // HostName, UserName, Password, AppName, ServerName, Extension, CltIntName, Language, Database.
  std::array<std::string*, 9> fields = {&login.host, &login.user,     &login.password,
                                        &login.app,  &login.server,   nullptr,
                                        nullptr,     &login.language, &login.database};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::uint16_t offset = r.u16_le();
    const std::uint16_t units = r.u16_le();
    if (!r.ok()) return std::nullopt;
    if (std::size_t{offset} + std::size_t{units} * 2 > length) return std::nullopt;
    if (fields[i] == nullptr || units == 0) continue;
    bytes raw(payload.begin() + offset, payload.begin() + offset + std::size_t{units} * 2);
    if (i == 2) {
      // The password travels with each byte's nibbles swapped and XORed with 0xA5.
      for (std::uint8_t& b : raw) {
        b ^= 0xA5;
        b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
      }
    }
    byte_reader text(raw);
    *fields[i] = text.utf16(units);
  }
  return login;
}

std::uint32_t negotiated_packet_size(std::uint32_t requested) {
  if (requested == 0) return 4096;
  if (requested < 512) return 512;
  if (requested > 32767) return 32767;
  return requested;
}

std::optional<std::string> parse_batch(const bytes& payload, tds_version version) {
  byte_reader r(payload);
  skip_all_headers(r, version);
  if (!r.ok() || r.remaining() % 2 != 0) return std::nullopt;
  std::string text = r.utf16(r.remaining() / 2);
  if (!r.ok()) return std::nullopt;
  return text;
}

rpc_parse parse_rpc(const bytes& payload, tds_version version) {
  rpc_parse parsed;
  byte_reader r(payload);
  skip_all_headers(r, version);
  const std::uint16_t name_length = r.u16_le();
  if (name_length == 0xFFFF) {
    const std::uint16_t id = r.u16_le();
    if (id < procedure_ids.size() && id != 0) {
      parsed.request.procedure = procedure_ids[id];
    } else {
      parsed.request.procedure = "procedure " + std::to_string(id);
    }
  } else {
    parsed.request.procedure = r.utf16(name_length);
  }
  r.u16_le();  // option flags
  while (r.ok() && !r.at_end()) {
    rpc_parameter p;
    p.name = r.utf16(r.u8());
    r.u8();  // status: by reference (output) or by value; values are all we read
    const std::uint8_t type = r.u8();
    if (!r.ok()) break;
    typed_value v = read_typed_value(r, type);
    if (!v.supported) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", type);
      parsed.outcome = rpc_parse::result::unsupported;
      parsed.reason = "parameter type " + std::string(hex);
      return parsed;
    }
    p.value = std::move(v.text);
    parsed.request.parameters.push_back(std::move(p));
  }
  parsed.outcome = r.ok() ? rpc_parse::result::ok : rpc_parse::result::malformed;
  return parsed;
}

std::vector<parameter> bind_parameters(std::string_view declarations, const std::vector<rpc_parameter>& values) {
  const std::vector<std::string> names = declared_names(declarations);
  std::vector<parameter> bound;
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string name = values[i].name;
    // A value without a name takes the declared one, or its place's when the declaration has none.
    if (name.empty() && i < names.size()) name = names[i];
    if (name.empty()) name = "@P" + std::to_string(i + 1);
    bound.push_back(parameter{std::move(name), values[i].value});
  }
  return bound;
}

std::optional<executesql_call> as_executesql(const rpc_request& request) {
  if (!ends_with_procedure(request.procedure, executesql)) return std::nullopt;
  if (request.parameters.empty() || !request.parameters[0].value) return std::nullopt;
  executesql_call call;
  call.statement = *request.parameters[0].value;
  const std::string declarations =
      request.parameters.size() > 1 ? request.parameters[1].value.value_or("") : std::string();
  if (request.parameters.size() > 2) {
    call.parameters = bind_parameters(
        declarations, std::vector<rpc_parameter>(request.parameters.begin() + 2, request.parameters.end()));
  }
  return call;
}

std::optional<prepared_call> as_prepared_call(const rpc_request& request) {
  using kind = prepared_call::kind;
  struct procedure {
    std::string_view name;
    kind type;
    std::vector<std::string_view> leading;  // the parameters before the values
  };
  static const procedure procedures[] = {
      {"sp_prepare", kind::prepare, {"@handle", "@params", "@stmt"}},
      {"sp_prepexec", kind::prepexec, {"@handle", "@params", "@stmt"}},
      {"sp_execute", kind::execute, {"@handle"}},
      {"sp_unprepare", kind::unprepare, {"@handle"}},
  };
  const auto* found = std::find_if(std::begin(procedures), std::end(procedures), [&](const procedure& p) {
    return ends_with_procedure(request.procedure, p.name);
  });
  if (found == std::end(procedures)) return std::nullopt;
  prepared_call call;
  call.type = found->type;
  const auto& given = request.parameters;
  if (given.size() < found->leading.size()) {
    call.missing = std::string(found->leading[given.size()]);
    return call;
  }
  if (found->type == kind::execute || found->type == kind::unprepare) {
    // The handle is an INT; anything else names no prepared statement.
    const std::optional<std::string>& text = given[0].value;
    std::int32_t handle = 0;
    if (text) {
      const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), handle);
      if (error == std::errc() && end == text->data() + text->size()) call.handle = handle;
    }
    call.values.assign(given.begin() + 1, given.end());
    if (found->type == kind::unprepare) call.values.clear();
    return call;
  }
  if (!given[2].value) {
    call.missing = "@stmt";
    return call;
  }
  call.declarations = given[1].value.value_or("");
  call.statement = *given[2].value;
  // sp_prepare's fourth parameter is its options (1: describe the result), not a value.
  if (found->type == kind::prepexec) call.values.assign(given.begin() + 3, given.end());
  return call;
}

std::optional<std::uint16_t> parse_transaction_request(const bytes& payload, tds_version version) {
  byte_reader r(payload);
  skip_all_headers(r, version);
  const std::uint16_t type = r.u16_le();
  if (!r.ok()) return std::nullopt;
  return type;
}

void token_writer::b_varchar(std::string_view text) {
  const std::u16string units = utf16_at_most(text, max_b_varchar_units);
  out_.u8(static_cast<std::uint8_t>(units.size()));
  out_.utf16(units);
}

void token_writer::env_text(std::uint8_t type, std::string_view now, std::string_view before) {
  out_.u8(0xE3);
  const std::size_t length_at = out_.size();
  out_.u16_le(0);
  out_.u8(type);
  b_varchar(now);
  b_varchar(before);
  out_.patch_u16_le(length_at, static_cast<std::uint16_t>(out_.size() - length_at - 2));
}

void token_writer::env_database(std::string_view now, std::string_view before) {
  env_text(1, now, before);
}

void token_writer::env_language(std::string_view now, std::string_view before) {
  env_text(2, now, before);
}

void token_writer::env_packet_size(std::uint32_t now, std::uint32_t before) {
  env_text(4, std::to_string(now), std::to_string(before));
}

void token_writer::env_collation() {
  out_.u8(0xE3);
  out_.u16_le(static_cast<std::uint16_t>(1 + 1 + collation.size() + 1));
  out_.u8(7);
  out_.u8(static_cast<std::uint8_t>(collation.size()));
  for (std::uint8_t b : collation) out_.u8(b);
  out_.u8(0);
}

void token_writer::message(const server_message& m) {
  out_.u8(m.severity > 10 ? 0xAA : 0xAB);
  const std::size_t length_at = out_.size();
  out_.u16_le(0);
  out_.u32_le(static_cast<std::uint32_t>(m.number));
  out_.u8(static_cast<std::uint8_t>(m.state));
  out_.u8(static_cast<std::uint8_t>(m.severity));
  const std::u16string text = utf16_at_most(m.text, max_message_units);
  out_.u16_le(static_cast<std::uint16_t>(text.size()));
  out_.utf16(text);
  b_varchar(server_name);
  b_varchar(m.procedure);
  if (has_all_headers(version_)) {
    out_.u32_le(static_cast<std::uint32_t>(m.line));
  } else {
    out_.u16_le(static_cast<std::uint16_t>(m.line));
  }
  out_.patch_u16_le(length_at, static_cast<std::uint16_t>(out_.size() - length_at - 2));
}

void token_writer::login_ack(server_version version) {
  const std::u16string name = utf16_at_most(product_name, max_b_varchar_units);
  out_.u8(0xAD);
  out_.u16_le(static_cast<std::uint16_t>(10 + 2 * name.size()));
  out_.u8(1);  // interface: SQL
  out_.u32_be(version_);
  out_.u8(static_cast<std::uint8_t>(name.size()));
  out_.utf16(name);
  for (std::uint8_t b : version_bytes(version)) out_.u8(b);
}

void token_writer::done(std::uint8_t token, std::uint16_t status, std::uint64_t count) {
  out_.u8(token);
  out_.u16_le(status);
  out_.u16_le(0);
  if (has_all_headers(version_)) {
    out_.u64_le(count);
  } else {
    out_.u32_le(static_cast<std::uint32_t>(count));
  }
}

bool token_writer::row_set(const sqlsim::row_set& rows) {
  const std::size_t columns = rows.columns.size();
  // A column whose values all fit NVARCHAR(4000) is declared so; a longer one as NVARCHAR(MAX), which
  // TDS 7.1 does not have.
  std::vector<bool> plp(columns, false);
  for (const auto& row : rows.rows) {
    for (std::size_t c = 0; c < columns && c < row.size(); ++c) {
      if (row[c] && setup::utf16_length(*row[c]) * 2 > max_declared_bytes) plp[c] = true;
    }
  }
  for (std::size_t c = 0; c < columns; ++c) {
    if (plp[c] && !has_all_headers(version_)) return false;
  }

  out_.u8(0x81);
  out_.u16_le(static_cast<std::uint16_t>(columns));
  for (std::size_t c = 0; c < columns; ++c) {
    if (has_all_headers(version_)) {
      out_.u32_le(0);
    } else {
      out_.u16_le(0);
    }
    out_.u16_le(0x0001);  // nullable
    out_.u8(type_nvarchar);
    out_.u16_le(plp[c] ? plp_length : max_declared_bytes);
    for (std::uint8_t b : collation) out_.u8(b);
    b_varchar(rows.columns[c]);
  }
  for (const auto& row : rows.rows) {
    out_.u8(0xD1);
    for (std::size_t c = 0; c < columns; ++c) {
      const std::optional<std::string> none;
      const std::optional<std::string>& value = c < row.size() ? row[c] : none;
      const std::u16string text = value ? setup::utf8_to_utf16(*value) : std::u16string();
      if (plp[c]) {
        if (!value) {
          out_.u64_le(plp_null);
          continue;
        }
        out_.u64_le(text.size() * 2);
        if (!text.empty()) {
          out_.u32_le(static_cast<std::uint32_t>(text.size() * 2));
          out_.utf16(text);
        }
        out_.u32_le(0);
      } else if (!value) {
        out_.u16_le(null_length);
      } else {
        out_.u16_le(static_cast<std::uint16_t>(text.size() * 2));
        out_.utf16(text);
      }
    }
  }
  return true;
}

void token_writer::return_value(std::string_view name, std::optional<std::int32_t> value) {
  out_.u8(0xAC);
  out_.u16_le(0);  // ordinal
  b_varchar(name);
  out_.u8(0x01);  // an output parameter
  if (has_all_headers(version_)) {
    out_.u32_le(0);  // user type
  } else {
    out_.u16_le(0);
  }
  out_.u16_le(0x0001);  // flags: nullable
  out_.u8(type_intn);
  out_.u8(4);
  if (!value) {
    out_.u8(0);
    return;
  }
  out_.u8(4);
  out_.u32_le(static_cast<std::uint32_t>(*value));
}

void token_writer::return_status(std::int32_t value) {
  out_.u8(0x79);
  out_.u32_le(static_cast<std::uint32_t>(value));
}

}  // namespace sqlsim::tds
