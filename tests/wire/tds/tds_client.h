// A raw TDS client for the listener's tests: builds the client's messages byte by byte and reads the
// server's replies as tokens.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/tds/tds_buffer.h"

namespace sqlsim::tds::test {

inline constexpr std::uint32_t tds71 = 0x71000001;
inline constexpr std::uint32_t tds74 = 0x74000004;

// One token of a reply, with the fields the tests look at.
struct token {
  std::uint8_t type = 0;
  std::uint8_t env_type = 0;                       // ENVCHANGE
  std::string env_value;                           // ENVCHANGE types 1, 2, 4: the new value
  long number = 0;                                 // INFO, ERROR
  std::string text;                                // INFO, ERROR
  std::uint16_t status = 0;                        // DONE, DONEPROC, DONEINPROC
  std::uint64_t count = 0;                         // DONE...
  std::uint32_t version = 0;                       // LOGINACK
  std::vector<std::optional<std::string>> values;  // ROW; RETURNVALUE (its name in text)
};

struct reply {
  std::vector<token> tokens;
  std::vector<std::size_t> packet_sizes;  // as the headers give them
  bool well_formed = false;               // every token understood, nothing left over
};

bytes prelogin_message();
bytes login7_message(std::uint32_t version, const std::string& user, const std::string& password,
                     std::uint32_t packet_size = 4096);
bytes batch_message(const std::string& sql, std::uint32_t version = tds74);

class client {
 public:
  // Connects to the port; a receive buffer other than 0 is set before connecting (a client that reads
  // slowly fills it soon).
  explicit client(std::uint16_t port, int receive_buffer = 0);
  // Takes over a socket connected already.
  static std::unique_ptr<client> adopt(int fd);
  ~client();
  client(const client&) = delete;
  client& operator=(const client&) = delete;

  bool connected() const { return fd_ >= 0; }
  // Sends `payload` as packets of at most `packet_size` bytes.
  bool send(std::uint8_t type, const bytes& payload, std::size_t packet_size = 4096);
  bool send_raw(const bytes& data);
  // Reads one reply message; nothing when the server closed the connection first.
  std::optional<reply> receive(std::uint32_t version = tds74);
  // True when the server has closed the connection (reads end of stream within a few seconds).
  bool closed_by_server();
  // Reads and drops everything until the server closes; the bytes read, or nothing when the stream
  // did not end within `seconds`.
  std::optional<std::size_t> read_to_end(int seconds);
  int fd() const { return fd_; }
  // PRELOGIN and LOGIN7; the LOGIN7 reply.
  std::optional<reply> login(const std::string& user, const std::string& password,
                             std::uint32_t version = tds74, std::uint32_t packet_size = 4096);

 private:
  client() = default;
  bool read_exact(std::uint8_t* data, std::size_t size);
  int fd_ = -1;
};

}  // namespace sqlsim::tds::test
