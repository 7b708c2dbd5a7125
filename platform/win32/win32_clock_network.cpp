#include <algorithm>
#include <string>

#include "platform/win32/system_library.h"
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

local_time win32_clock::local_now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return local_time{
      {now.wYear, now.wMonth, now.wDay}, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

struct win32_network::winsock_functions {
  decltype(&::WSAStartup) startup = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", WSAStartup);
  decltype(&::WSACleanup) cleanup = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", WSACleanup);
  decltype(&::WSAGetLastError) last_error = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", WSAGetLastError);
  decltype(&::GetAddrInfoW) get_addresses = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", GetAddrInfoW);
  decltype(&::FreeAddrInfoW) free_addresses = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", FreeAddrInfoW);
  decltype(&::InetPtonW) parse_address = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", InetPtonW);
  decltype(&::socket) open = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", socket);
  decltype(&::ioctlsocket) control = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", ioctlsocket);
  decltype(&::connect) connect = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", connect);
  decltype(&::select) select = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", select);
  decltype(&::getsockopt) option = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", getsockopt);
  decltype(&::closesocket) close = SETUP_SYSTEM_FUNCTION(L"ws2_32.dll", closesocket);

  bool complete() const {
    return startup && cleanup && last_error && get_addresses && free_addresses && parse_address && open &&
           control && connect && select && option && close;
  }
};

win32_network::win32_network(trace& log, waiting& wait) : log_(log), wait_(wait) {}
win32_network::~win32_network() = default;

const win32_network::winsock_functions* win32_network::winsock(std::string_view what) {
  if (!looked_up_) {
    looked_up_ = true;
    auto functions = std::make_unique<winsock_functions>();
    if (functions->complete()) winsock_ = std::move(functions);
  }
  if (!winsock_) log_.line(failure_line(std::string(what) + ": ws2_32 functions", ERROR_PROC_NOT_FOUND));
  return winsock_.get();
}

int win32_network::start() {
  const winsock_functions* ws = winsock("start Winsock");
  if (ws == nullptr) return WSASYSNOTREADY;
  WSADATA data{};
  const int result = ws->startup(MAKEWORD(2, 2), &data);
  if (result != 0) log_.line(failure_line("start Winsock", static_cast<unsigned long>(result)));
  return result;
}

void win32_network::stop() {
  if (const winsock_functions* ws = winsock("stop Winsock")) ws->cleanup();
}

std::optional<std::vector<std::uint32_t>> win32_network::host_addresses(std::string_view host_name) {
  return wait_.run_returning([&] { return resolve(host_name); });
}

bool win32_network::TcpConnects(std::string_view ipv4_address, std::uint16_t port,
                                std::int64_t timeout_milliseconds) {
  return wait_.run_returning([&] { return try_connection(ipv4_address, port, timeout_milliseconds); });
}

std::optional<std::vector<std::uint32_t>> win32_network::resolve(std::string_view host_name) {
  if (host_name.empty()) return std::nullopt;
  const std::string what = "resolve \"" + std::string(host_name) + "\"";
  const winsock_functions* ws = winsock(what);
  if (ws == nullptr) return std::nullopt;
  ADDRINFOW hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
  ADDRINFOW* found = nullptr;
  if (const INT rc = ws->get_addresses(win32::wide(host_name).c_str(), nullptr, &hints, &found); rc != 0) {
    log_.line(failure_line(what, static_cast<unsigned long>(rc)));
    return std::nullopt;
  }
  std::vector<std::uint32_t> addresses;
  for (const ADDRINFOW* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    }
  }
  ws->free_addresses(found);
  if (addresses.empty()) {
    log_.line(what + ": no IPv4 address");
    return std::nullopt;
  }
  return addresses;
}

bool win32_network::try_connection(std::string_view ipv4_address, std::uint16_t port,
                                   std::int64_t timeout_milliseconds) {
  const std::string what = "connect " + std::string(ipv4_address) + ":" + std::to_string(port);
  const winsock_functions* ws = winsock(what);
  if (ws == nullptr) return false;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = static_cast<u_short>((port >> 8) | (port << 8));  // network byte order
  if (ws->parse_address(AF_INET, win32::wide(ipv4_address).c_str(), &target.sin_addr) != 1) {
    log_.line(what + ": not an IPv4 address");
    return false;
  }
  WSADATA data{};
  if (const int rc = ws->startup(MAKEWORD(2, 2), &data); rc != 0) {
    log_.line(failure_line(what + ": start Winsock", static_cast<unsigned long>(rc)));
    return false;
  }
  // Non-blocking, so that the wait for the answer is bounded by the timeout.
  const SOCKET s = ws->open(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  bool connected = false;
  int error = 0;
  u_long non_blocking = 1;
  if (s == INVALID_SOCKET || ws->control(s, FIONBIO, &non_blocking) != 0) {
    error = ws->last_error();
  } else if (ws->connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    connected = true;
  } else if ((error = ws->last_error()) == WSAEWOULDBLOCK) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    const std::int64_t wait = std::max<std::int64_t>(timeout_milliseconds, 0);
    timeval limit{static_cast<long>(wait / 1000), static_cast<long>(wait % 1000 * 1000)};
    const int ready = ws->select(0, nullptr, &writable, &failed, &limit);
    int so_error = 0;
    int length = sizeof so_error;
    if (ready > 0 && ws->option(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &length) == 0) {
      // select leaves in each set only the sockets that are ready: `s` is writable when the set holds it.
      connected = so_error == 0 && writable.fd_count == 1;
      error = so_error;
    } else {
      error = ready == 0 ? WSAETIMEDOUT : ws->last_error();
    }
  }
  if (s != INVALID_SOCKET) ws->close(s);
  ws->cleanup();
  if (!connected) log_.line(failure_line(what, static_cast<unsigned long>(error)));
  return connected;
}

void win32_trace::write(std::string_view masked_line) {
  OutputDebugStringW((win32::wide(masked_line) + L"\n").c_str());
}

}  // namespace setup
