// The server name the connection is given: the machine name typed on the database page, with the
// instance's TCP port appended when it is not the default one.
#pragma once

#include <string>
#include <string_view>

namespace setup {

inline constexpr std::string_view default_sql_port = "1433";

// `host` and `port` are trimmed of blanks. An empty port or "1433" gives the host alone; a host that
// already holds a "," (a port typed by the operator) is returned as it is; otherwise host + "," + port,
// with the port as stored (untrimmed).
std::string server_name_for(std::string_view host, std::string_view port);

}  // namespace setup
