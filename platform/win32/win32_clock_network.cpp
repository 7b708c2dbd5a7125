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
  return local_time{{now.wYear, now.wMonth, now.wDay}, now.wHour, now.wMinute, now.wSecond};
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

void win32_trace::write(std::string_view masked_line) {
  OutputDebugStringW((win32::wide(masked_line) + L"\n").c_str());
}

}  // namespace setup
