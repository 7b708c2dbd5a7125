#include "install/server_name.h"

#include "platform/text.h"

namespace setup {

std::string server_name_for(std::string_view host, std::string_view port) {
  std::string name = trim_spaces(host);
  const std::string trimmed_port = trim_spaces(port);
  if (trimmed_port.empty() || trimmed_port == default_sql_port) return name;
  if (name.find(',') != std::string::npos) return name;
  name += ',';
  name += port;
  return name;
}

}  // namespace setup
