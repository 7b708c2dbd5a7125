#include "platform/winsock.h"

namespace setup {
namespace {
constexpr int start_attempts = 3;
constexpr std::string_view startup_failed_title = "Error";
constexpr std::string_view startup_failed_text = "WSAStartup() failed! Winsock not ready!";
}  // namespace

winsock::winsock(network& net, dialogs& ui) : net_(net) {
  for (int attempt = 0; attempt < start_attempts && !started_; ++attempt) started_ = net_.start() == 0;
  if (!started_) ui.ShowMessage(startup_failed_title, startup_failed_text);
}

winsock::~winsock() {
  if (started_) net_.stop();
}

std::optional<pbhostent> winsock::gethostbyname(std::string_view name) {
  if (!started_) return std::nullopt;
  auto addresses = net_.host_addresses(name);
  if (!addresses || addresses->empty()) return std::nullopt;
  pbhostent host;
  host.h_name = std::string(name);
  host.h_addr_list = std::move(*addresses);
  return host;
}

std::string winsock::inet_ntoa(std::uint32_t address) {
  // The first byte in memory is the first number of the dotted form.
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i) text.push_back('.');
    text += std::to_string((address >> (8 * i)) & 0xFF);
  }
  return text;
}

std::optional<std::string> first_ipv4_address(network& net, dialogs& ui, std::string_view host_name) {
  winsock sockets(net, ui);
  const auto host = sockets.gethostbyname(host_name);
  if (!host) return std::nullopt;
  return winsock::inet_ntoa(host->h_addr_list.front());
}

}  // namespace setup
