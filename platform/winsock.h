// The Winsock object the discovery uses for one task: the computer's name to its first IPv4 address.
// It lives for one look-up: created (which starts Windows Sockets), asked, destroyed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"
#include "platform/network.h"

namespace setup {

struct pbhostent {
  std::string h_name;
  std::int16_t h_addrtype = 2;  // AF_INET
  std::int16_t h_length = 4;
  std::vector<std::uint32_t> h_addr_list;  // as Winsock stores them: network byte order in memory
};

class winsock {
 public:
  // Starts Windows Sockets, trying up to three times; after three failures it tells the user in an
  // "Error" box and is created all the same (its look-ups then find nothing).
  winsock(network& net, dialogs& ui);
  ~winsock();
  winsock(const winsock&) = delete;
  winsock& operator=(const winsock&) = delete;

  // Null when the name does not resolve to any IPv4 address.
  std::optional<pbhostent> gethostbyname(std::string_view name);
  // The dotted form of an address value ("127.0.0.1").
  static std::string inet_ntoa(std::uint32_t address);

 private:
  network& net_;
  bool started_ = false;
};

// The first IPv4 address of a host in dotted form; nullopt when it does not resolve.
std::optional<std::string> first_ipv4_address(network& net, dialogs& ui, std::string_view host_name);

}  // namespace setup
