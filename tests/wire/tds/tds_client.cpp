#include "tests/wire/tds/tds_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/text.h"

namespace sqlsim::tds::test {
namespace {

void utf16_into(byte_writer& w, const std::string& text) {
  w.utf16(setup::utf8_to_utf16(text));
}

void all_headers(byte_writer& w) {
  w.u32_le(22);
  w.u32_le(18);
  w.u16_le(2);
  w.u64_le(0);
  w.u32_le(1);
}

std::string b_varchar(byte_reader& r) {
  return r.utf16(r.u8());
}

// Reads the tokens of a reply in the formats of `version`.
bool scan(byte_reader& r, std::uint32_t version, std::vector<token>& tokens) {
  const bool wide = (version >> 24) >= 0x72;
  std::size_t columns = 0;
  while (r.ok() && !r.at_end()) {
    token t;
    t.type = r.u8();
    switch (t.type) {
      case 0xE3: {
        byte_reader body = r.sub(r.u16_le());
        t.env_type = body.u8();
        if (t.env_type == 1 || t.env_type == 2 || t.env_type == 4) t.env_value = b_varchar(body);
        if (!body.ok()) return false;
        break;
      }
      case 0xAA:
      case 0xAB: {
        byte_reader body = r.sub(r.u16_le());
        t.number = static_cast<long>(body.u32_le());
        body.skip(2);
        t.text = body.utf16(body.u16_le());
        b_varchar(body);
        b_varchar(body);
        body.skip(wide ? 4 : 2);
        if (!body.ok() || !body.at_end()) return false;
        break;
      }
      case 0xAD: {
        byte_reader body = r.sub(r.u16_le());
        body.u8();
        t.version = static_cast<std::uint32_t>(body.u16_be()) << 16;
        t.version |= body.u16_be();
        b_varchar(body);
        body.skip(4);
        if (!body.ok() || !body.at_end()) return false;
        break;
      }
      case 0xFD:
      case 0xFE:
      case 0xFF:
        t.status = r.u16_le();
        r.u16_le();
        t.count = wide ? r.u64_le() : r.u32_le();
        break;
      case 0x79:
        r.u32_le();
        break;
      case 0xAC: {
        // RETURNVALUE of an INT output parameter: its name in text, its value in values.
        r.u16_le();
        t.text = b_varchar(r);
        r.u8();
        r.skip(wide ? 4 : 2);
        r.u16_le();
        if (r.u8() != 0x26 || r.u8() != 4) return false;
        const std::uint8_t length = r.u8();
        if (length == 4) {
          t.values.emplace_back(std::to_string(static_cast<std::int32_t>(r.u32_le())));
        } else if (length == 0) {
          t.values.emplace_back();
        } else {
          return false;
        }
        break;
      }
      case 0x81:
        columns = r.u16_le();
        for (std::size_t c = 0; c < columns; ++c) {
          r.skip(wide ? 4 : 2);
          r.u16_le();
          if (r.u8() != 0xE7 || r.u16_le() != 8000) return false;
          r.skip(5);
          b_varchar(r);
        }
        break;
      case 0xD1:
        for (std::size_t c = 0; c < columns; ++c) {
          const std::uint16_t length = r.u16_le();
          if (length == 0xFFFF) {
            t.values.emplace_back();
          } else {
            t.values.emplace_back(r.utf16(length / 2));
          }
        }
        break;
      default:
        return false;
    }
    tokens.push_back(std::move(t));
  }
  return r.ok();
}

}  // namespace

bytes prelogin_message() {
  byte_writer w;
  const std::uint8_t entries = 5;
  std::uint16_t offset = entries * 5 + 1;
  const std::uint16_t sizes[entries] = {6, 1, 12, 4, 1};
  for (std::uint8_t i = 0; i < entries; ++i) {
    w.u8(i);
    w.u16_be(offset);
    w.u16_be(sizes[i]);
    offset = static_cast<std::uint16_t>(offset + sizes[i]);
  }
  w.u8(0xFF);
  w.raw({9, 0, 0, 0, 0, 0, 0});
  for (char c : std::string("MSSQLServer")) w.u8(static_cast<std::uint8_t>(c));
  w.raw({0, 1, 0, 0, 0, 0});
  return w.data();
}

bytes login7_message(std::uint32_t version, const std::string& user, const std::string& password,
                     std::uint32_t packet_size) {
  const std::u16string fields[9] = {u"wirehost",
                                    setup::utf8_to_utf16(user),
                                    setup::utf8_to_utf16(password),
                                    u"",
                                    u"127.0.0.1",
                                    u"",
                                    u"",
                                    u"us_english",
                                    u"master"};
  const std::size_t fixed = (version >> 24) >= 0x72 ? 94 : 86;
  byte_writer strings;
  byte_writer w;
  w.u32_le(0);
  w.u32_le(version);
  w.u32_le(packet_size);
  w.raw({6, 0x83, 0xF2, 0xF8});
  w.u32_le(1234);
  w.u32_le(0);
  w.raw({0xE0, 0x03, 0x00, 0x00});
  w.u32_le(0);
  w.u32_le(0x0436);
  for (int i = 0; i < 9; ++i) {
    w.u16_le(static_cast<std::uint16_t>(fixed + strings.size()));
    w.u16_le(static_cast<std::uint16_t>(fields[i].size()));
    if (i == 2) {
      for (char16_t unit : fields[i]) {
        for (std::uint8_t b : {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)}) {
          strings.u8(static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5));
        }
      }
    } else {
      strings.utf16(fields[i]);
    }
  }
  w.raw({0, 0, 0, 0, 0, 0});
  while (w.size() < fixed) w.u8(0);
  w.raw(strings.data());
  const std::uint32_t total = static_cast<std::uint32_t>(w.size());
  for (int i = 0; i < 4; ++i)
    w.data()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(total >> (8 * i));
  return w.data();
}

bytes batch_message(const std::string& sql, std::uint32_t version) {
  byte_writer w;
  if ((version >> 24) >= 0x72) all_headers(w);
  utf16_into(w, sql);
  return w.data();
}

client::client(std::uint16_t port, int receive_buffer) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (receive_buffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

std::unique_ptr<client> client::adopt(int fd) {
  std::unique_ptr<client> c(new client());
  c->fd_ = fd;
  return c;
}

client::~client() {
  if (fd_ >= 0) ::close(fd_);
}

bool client::send_raw(const bytes& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool client::send(std::uint8_t type, const bytes& payload, std::size_t packet_size) {
  const std::size_t chunk = packet_size - 8;
  bytes all;
  std::size_t at = 0;
  do {
    const std::size_t size = std::min(chunk, payload.size() - at);
    const std::size_t length = size + 8;
    const bool last = at + size == payload.size();
    all.insert(all.end(),
               {type, static_cast<std::uint8_t>(last ? 1 : 0), static_cast<std::uint8_t>(length >> 8),
                static_cast<std::uint8_t>(length), 0, 0, 1, 0});
    all.insert(all.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
               payload.begin() + static_cast<std::ptrdiff_t>(at + size));
    at += size;
  } while (at < payload.size());
  return send_raw(all);
}

bool client::read_exact(std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return false;
    const ssize_t n = ::recv(fd_, data + done, size - done, 0);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<reply> client::receive(std::uint32_t version) {
  reply out;
  bytes payload;
  while (true) {
    std::uint8_t header[8];
    if (!read_exact(header, 8)) return std::nullopt;
    const std::size_t length = (std::size_t{header[2]} << 8) | header[3];
    if (header[0] != 0x04 || length < 8) return std::nullopt;
    out.packet_sizes.push_back(length);
    const std::size_t at = payload.size();
    payload.resize(at + length - 8);
    if (!read_exact(payload.data() + at, length - 8)) return std::nullopt;
    if ((header[1] & 1) != 0) break;
  }
  byte_reader r(payload);
  out.well_formed = scan(r, version, out.tokens);
  return out;
}

bool client::closed_by_server() {
  std::uint8_t byte = 0;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, 5000) <= 0) return false;
  return ::recv(fd_, &byte, 1, 0) == 0;
}

std::optional<std::size_t> client::read_to_end(int seconds) {
  std::size_t total = 0;
  std::uint8_t buffer[65536];
  while (true) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, seconds * 1000) <= 0) return std::nullopt;
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n == 0) return total;
    if (n < 0) return errno == ECONNRESET ? std::optional<std::size_t>(total) : std::nullopt;
    total += static_cast<std::size_t>(n);
  }
}

std::optional<reply> client::login(const std::string& user, const std::string& password,
                                   std::uint32_t version, std::uint32_t packet_size) {
  if (!send(0x12, prelogin_message()) || !receive(version)) return std::nullopt;
  if (!send(0x10, login7_message(version, user, password, packet_size))) return std::nullopt;
  return receive(version);
}

}  // namespace sqlsim::tds::test
