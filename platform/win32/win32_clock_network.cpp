#include <algorithm>
#include <string>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"

namespace setup {

win32_clock::win32_clock() : start_(GetTickCount64()) {}

std::int64_t win32_clock::MillisecondClock() {
  return static_cast<std::int64_t>(GetTickCount64() - start_);
}

void win32_clock::sleep_for(std::int64_t milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

calendar_date win32_clock::local_date() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return calendar_date{now.wYear, now.wMonth, now.wDay};
}

int win32_network::start() {
  WSADATA data{};
  const int result = WSAStartup(MAKEWORD(2, 2), &data);
  if (result != 0) log_.line(failure_line("start Winsock", static_cast<unsigned long>(result)));
  return result;
}

void win32_network::stop() {
  WSACleanup();
}

std::optional<std::vector<std::uint32_t>> win32_network::host_addresses(std::string_view host_name) {
  if (host_name.empty()) return std::nullopt;
  ADDRINFOW hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
  ADDRINFOW* found = nullptr;
  if (const INT rc = GetAddrInfoW(win32::wide(host_name).c_str(), nullptr, &hints, &found); rc != 0) {
    log_.line(failure_line("resolve \"" + std::string(host_name) + "\"", static_cast<unsigned long>(rc)));
    return std::nullopt;
  }
  std::vector<std::uint32_t> addresses;
  for (const ADDRINFOW* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    }
  }
  FreeAddrInfoW(found);
  if (addresses.empty()) {
    log_.line("resolve \"" + std::string(host_name) + "\": no IPv4 address");
    return std::nullopt;
  }
  return addresses;
}

bool win32_network::TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                                std::int64_t timeout_milliseconds) {
  const std::string what = "connect " + std::string(ipv4_address) + ":" + std::to_string(port);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  if (InetPtonW(AF_INET, win32::wide(ipv4_address).c_str(), &target.sin_addr) != 1) {
    log_.line(what + ": not an IPv4 address");
    return false;
  }
  WSADATA data{};
  if (const int rc = WSAStartup(MAKEWORD(2, 2), &data); rc != 0) {
    log_.line(failure_line(what + ": start Winsock", static_cast<unsigned long>(rc)));
    return false;
  }
  // Non-blocking, so that the wait for the answer is bounded by the timeout.
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  bool connected = false;
  int error = 0;
  u_long non_blocking = 1;
  if (s == INVALID_SOCKET || ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
    error = WSAGetLastError();
  } else if (connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    connected = true;
  } else if ((error = WSAGetLastError()) == WSAEWOULDBLOCK) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    const std::int64_t wait = std::max<std::int64_t>(timeout_milliseconds, 0);
    timeval limit{static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
    const int ready = select(0, nullptr, &writable, &failed, &limit);
    int so_error = 0;
    int length = sizeof so_error;
    if (ready > 0 && getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &length) == 0) {
      connected = so_error == 0 && FD_ISSET(s, &writable);
      error = so_error;
    } else {
      error = ready == 0 ? WSAETIMEDOUT : WSAGetLastError();
    }
  }
  if (s != INVALID_SOCKET) closesocket(s);
  WSACleanup();
  if (!connected) log_.line(failure_line(what, static_cast<unsigned long>(error)));
  return connected;
}

void win32_trace::write(std::string_view masked_line) {
  OutputDebugStringW((win32::wide(masked_line) + L"\n").c_str());
}

}  // namespace setup
