#include "install/server_name.h"

#include <gtest/gtest.h>

namespace setup {
namespace {

TEST(ServerName, DefaultOrEmptyPortGivesTheTrimmedHostAlone) {
  EXPECT_EQ(server_name_for("  POS-SERVER  ", ""), "POS-SERVER");
  EXPECT_EQ(server_name_for("POS-SERVER", "1433"), "POS-SERVER");
  EXPECT_EQ(server_name_for(" POS-SERVER", "  1433  "), "POS-SERVER");
  EXPECT_EQ(server_name_for("POS-SERVER", "   "), "POS-SERVER");
}

TEST(ServerName, OtherPortIsAppendedAsStored) {
  EXPECT_EQ(server_name_for(" POS-SERVER ", "14330"), "POS-SERVER,14330");
  // Only the comparison trims the port; the appended text is the stored value.
  EXPECT_EQ(server_name_for("POS-SERVER", " 2433"), "POS-SERVER, 2433");
  EXPECT_EQ(server_name_for("127.0.0.1", "01433"), "127.0.0.1,01433");
}

TEST(ServerName, PortTypedWithTheHostWins) {
  EXPECT_EQ(server_name_for("POS-SERVER,2500", "14330"), "POS-SERVER,2500");
  EXPECT_EQ(server_name_for("  POS-SERVER,2500 ", "14330"), "POS-SERVER,2500");
  // With the default port the typed one is kept as well.
  EXPECT_EQ(server_name_for("POS-SERVER,2500", "1433"), "POS-SERVER,2500");
}

}  // namespace
}  // namespace setup
