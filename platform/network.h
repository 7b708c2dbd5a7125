// Host-name resolution and TCP connection probes through Windows Sockets.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace setup {

class network {
 public:
  virtual ~network() = default;

  // Starts Windows Sockets for this process: 0 on success, the error code otherwise. Every
  // successful start is balanced by one stop().
  virtual int start() = 0;
  virtual void stop() = 0;
  // The IPv4 addresses of a host in the resolver's order, each the 32-bit value as Winsock stores it
  // (network byte order in memory); nullopt when the name does not resolve.
  virtual std::optional<std::vector<std::uint32_t>> host_addresses(std::string_view host_name) = 0;
  // Whether a TCP connection to the dotted IPv4 address and port is accepted within the timeout; the
  // connection is closed at once. Needs no start(): the probe starts and stops Windows Sockets itself.
  virtual bool TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                           std::int64_t timeout_milliseconds) = 0;
};

}  // namespace setup
