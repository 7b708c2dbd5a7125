#include <gtest/gtest.h>

#include "platform/odbc/odbc_transaction.h"

namespace setup {
namespace {

TEST(ConnectionString, EveryValueIsBracedWithClosingBracesDoubled) {
  EXPECT_EQ(odbc_braced("plain"), "{plain}");
  EXPECT_EQ(odbc_braced(""), "{}");
  EXPECT_EQ(odbc_braced("a;b=c d"), "{a;b=c d}");
  EXPECT_EQ(odbc_braced("}{}"), "{}}{}}}");
}

TEST(ConnectionString, NamesTheSqlServerDriverAndEscapesTheSettings) {
  odbc_transaction t;
  t.servername = "POS,14330";
  t.logid = "sa";
  t.logpass = "p;w}=";
  t.database = "master";
  EXPECT_EQ(odbc_connection_string(t),
            "DRIVER={SQL Server};SERVER={POS,14330};UID={sa};PWD={p;w}}=};DATABASE={master};");
  t.database.clear();
  t.dbparm = "APP={setup}";
  EXPECT_EQ(odbc_connection_string(t),
            "DRIVER={SQL Server};SERVER={POS,14330};UID={sa};PWD={p;w}}=};APP={setup};");
}

TEST(DriverPrefixes, VendorTagsGoAndTheServersTextStays) {
  EXPECT_EQ(without_driver_prefixes("[FreeTDS][SQL Server]Login failed for user 'sa'."),
            "Login failed for user 'sa'.");
  EXPECT_EQ(
      without_driver_prefixes("[Microsoft][ODBC SQL Server Driver][SQL Server]Invalid object name 'x'."),
      "Invalid object name 'x'.");
  EXPECT_EQ(without_driver_prefixes("[unixODBC][Driver Manager]Data source name not found"),
            "Data source name not found");
  // A message of the server's own that starts with a bracket is not a driver's tag.
  EXPECT_EQ(without_driver_prefixes("[dbo].[t] is not valid."), "[dbo].[t] is not valid.");
  EXPECT_EQ(without_driver_prefixes("[FreeTDS]"), "");
}

TEST(OdbcTransaction, CallsWithoutAConnectionFailWithoutReachingTheDriver) {
  odbc_transaction t;
  EXPECT_FALSE(t.connected());
  EXPECT_FALSE(t.select_single("select 1 where 1 = ?", "1").has_value());
  EXPECT_EQ(t.sqlcode, sql_error);
  EXPECT_FALSE(t.sqlerrtext.empty());
  t.disconnect();
  EXPECT_FALSE(t.connected());
}

}  // namespace
}  // namespace setup
