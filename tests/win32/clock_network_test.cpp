#include <gtest/gtest.h>

#include <chrono>

#include "platform/delay.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#include "platform/winsock.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

TEST(Win32Clock, StartsNearZeroAndTheDelayWaitsAtLeastItsTime) {
  win32_clock time;
  const std::int64_t first = time.MillisecondClock();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 1000);
  const auto before = std::chrono::steady_clock::now();
  of_delay(waiting_in_place(), time, 300);
  const auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(time.MillisecondClock() - first, 300);
  EXPECT_GE(waited, std::chrono::milliseconds(290));  // the two clocks tick at different instants
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
}

TEST(Win32Clock, TodayIsTheLocalDate) {
  win32_clock time;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char expected[16];
  std::snprintf(expected, sizeof expected, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(time.TodayText("yyyymmdd"), expected);
}

TEST(Win32Network, LocalhostResolvesToTheLoopbackAddress) {
  win32_network net{test::log()};
  memory_dialogs ui;
  EXPECT_EQ(first_ipv4_address(net, ui, "localhost"), "127.0.0.1");
  EXPECT_TRUE(ui.history().empty());
}

TEST(Win32Network, TheComputerNameResolvesAndAnUnknownNameDoesNot) {
  win32_network net{test::log()};
  memory_dialogs ui;
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(name, &length));
  const auto address = first_ipv4_address(net, ui, win32::narrow(name));
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(std::count(address->begin(), address->end(), '.'), 3) << *address;
  EXPECT_EQ(first_ipv4_address(net, ui, "no-such-host.invalid"), std::nullopt);
  EXPECT_EQ(first_ipv4_address(net, ui, ""), std::nullopt);
}

}  // namespace
}  // namespace setup
