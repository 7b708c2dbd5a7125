#include <gtest/gtest.h>

#include "platform/delay.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/memory/memory_system.h"
#include "platform/winsock.h"

namespace setup {
namespace {

TEST(Delay, ZeroAndNegativeReturnAtOnce) {
  memory_clock time;
  of_delay(waiting_in_place(), time, 0);
  of_delay(waiting_in_place(), time, -5);
  EXPECT_EQ(time.sleeps(), 0);
  EXPECT_EQ(time.now, 0);
}

TEST(Delay, WaitsAtLeastTheTimeInShortSleeps) {
  memory_clock time;
  time.now = 123456;
  of_delay(waiting_in_place(), time, 2000);
  EXPECT_GE(time.now - 123456, 2000);
  EXPECT_LE(time.now - 123456, 2010);
  EXPECT_GE(time.sleeps(), 100);  // short steps, not one long sleep
}

TEST(Delay, AClockThatRunsMeanwhileEndsTheWaitSooner) {
  memory_clock time;
  time.advance_per_reading = 7;
  of_delay(waiting_in_place(), time, 100);
  EXPECT_GE(time.now, 100);
  EXPECT_LT(time.slept(), 100);
}

TEST(Winsock, StartIsRetriedTwiceBeforeTheErrorBox) {
  memory_network net;
  memory_dialogs ui;
  net.failing_starts = 2;
  net.hosts["SERVER1"] = {0x0A01A8C0};  // 192.168.1.10
  EXPECT_EQ(first_ipv4_address(net, ui, "server1"), "192.168.1.10");
  EXPECT_EQ(net.starts(), 3);
  EXPECT_TRUE(ui.history().empty());
  EXPECT_EQ(net.running(), 0);  // the start is balanced when the object goes
}

TEST(Winsock, ThreeFailedStartsShowTheErrorAndFindNothing) {
  memory_network net;
  memory_dialogs ui;
  net.failing_starts = 3;
  net.hosts["SERVER1"] = {0x0A01A8C0};
  EXPECT_EQ(first_ipv4_address(net, ui, "SERVER1"), std::nullopt);
  EXPECT_EQ(net.starts(), 3);
  ASSERT_EQ(ui.history().size(), 1u);
  EXPECT_EQ(ui.history()[0].title, "Error");
  EXPECT_EQ(ui.history()[0].text, "WSAStartup() failed! Winsock not ready!");
}

TEST(Winsock, OnlyTheFirstOfSeveralAddressesIsUsed) {
  memory_network net;
  memory_dialogs ui;
  net.hosts["SERVER1"] = {0x0100007F, 0x0A01A8C0};
  EXPECT_EQ(first_ipv4_address(net, ui, "SERVER1"), "127.0.0.1");
  EXPECT_EQ(first_ipv4_address(net, ui, "unknown"), std::nullopt);
  net.hosts["EMPTY"] = {};
  EXPECT_EQ(first_ipv4_address(net, ui, "EMPTY"), std::nullopt);
}

TEST(Winsock, DottedFormTakesTheBytesInNetworkOrder) {
  EXPECT_EQ(winsock::inet_ntoa(0x0100007F), "127.0.0.1");
  EXPECT_EQ(winsock::inet_ntoa(0xFFFFFFFF), "255.255.255.255");
  EXPECT_EQ(winsock::inet_ntoa(0), "0.0.0.0");
}

TEST(DateText, PictureFieldsAreZeroPadded) {
  memory_clock time;
  time.today = {2026, 3, 7};
  EXPECT_EQ(time.TodayText("yyyymmdd"), "20260307");
  EXPECT_EQ(format_date({987, 12, 31}, "yyyy-mm-dd yy"), "0987-12-31 87");
  time.hour = 7;
  time.minute = 8;
  time.second = 9;
  EXPECT_EQ(time.NowText("yyyymmdd_hhnnss"), "20260307_070809");
}

}  // namespace
}  // namespace setup
