// Many clients at once: each is served on its own while the engine runs one statement at a time, a
// client that stalls in the middle of a message or stops reading its reply is closed after the client
// timeout without holding up the others, and clients beyond those served wait in the listen queue.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "sim/tds/tds_listener.h"
#include "sim/tds/tds_messages.h"
#include "tests/wire/tds/tds_client.h"

namespace sqlsim::tds {
namespace {

using namespace std::chrono_literals;
using test::client;
using test::reply;
using steady = std::chrono::steady_clock;

constexpr const char* sa_password = "stall-Pw";
constexpr auto limit = 1500ms;

long long ms_since(steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start).count();
}

bool has_row(const std::optional<reply>& r) {
  if (!r || !r->well_formed) return false;
  for (const auto& t : r->tokens) {
    if (t.type == 0xD1) return true;
  }
  return false;
}

class Clients : public ::testing::Test {
 public:
  void start(std::size_t max_connections = 64) {
    engine_options e;
    e.sa_password = sa_password;
    engine_ = std::make_unique<engine>(e);
    listener_options options;
    options.client_timeout = limit;
    options.max_connections = max_connections;
    options.log = [this](std::string_view why) {
      const std::lock_guard<std::mutex> hold(mutex_);
      closed_.emplace_back(steady::now(), std::string(why));
      changed_.notify_all();
    };
    listener_ = std::make_unique<listener>(*engine_, options);
    std::string error;
    ASSERT_TRUE(listener_->start(error)) << error;
  }
  void TearDown() override {
    if (listener_) listener_->stop();
  }

  std::unique_ptr<client> logged_in(int receive_buffer = 0) {
    auto c = std::make_unique<client>(listener_->port(), receive_buffer);
    const std::optional<reply> r = c->login("sa", sa_password);
    EXPECT_TRUE(r && r->well_formed);
    return c;
  }

  // The first stall reported from `since` on: when, and what was said.
  std::optional<std::pair<steady::time_point, std::string>> stall_reported(steady::time_point since) {
    std::unique_lock<std::mutex> hold(mutex_);
    std::optional<std::pair<steady::time_point, std::string>> found;
    changed_.wait_for(hold, limit + 5s, [&] {
      for (const auto& entry : closed_) {
        if (entry.first >= since && entry.second.rfind("closed: ", 0) == 0) {
          found = entry;
          return true;
        }
      }
      return false;
    });
    return found;
  }

  // Ten clients at once, each logging in and running a query; the time until the last has its rows.
  long long ten_clients_served() {
    const auto began = steady::now();
    std::vector<std::thread> threads;
    std::atomic<int> served{0};
    for (int i = 0; i < 10; ++i) {
      threads.emplace_back([&] {
        client c(listener_->port());
        const std::optional<reply> login = c.login("sa", sa_password);
        if (!login || !login->well_formed) return;
        if (!c.send(packet_batch, test::batch_message("select name from master.dbo.sysdatabases"))) return;
        if (has_row(c.receive())) ++served;
      });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(served, 10);
    return ms_since(began);
  }

  std::unique_ptr<engine> engine_;
  std::unique_ptr<listener> listener_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<steady::time_point, std::string>> closed_;
};

bytes framed(std::uint8_t type, const bytes& payload) {
  const std::size_t length = payload.size() + 8;
  bytes out = {type, 1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 1, 0};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST_F(Clients, AStalledClientIsClosedAfterTheTimeoutWhileOthersAreServed) {
  start();
  // A reply bigger than what the sockets between server and client can hold.
  std::string many;
  for (int i = 0; i < 30000; ++i) many += "exec sp_configure\n";

  struct stall {
    const char* what;
    std::function<std::unique_ptr<client>(Clients&)> begin;
  };
  std::thread trickler;
  std::atomic<bool> trickling{false};
  const stall cases[] = {
      {"half a packet header",
       [](Clients& t) {
         auto c = t.logged_in();
         c->send_raw({packet_batch, 1, 0, 40});
         return c;
       }},
      {"half a login",
       [](Clients& t) {
         auto c = std::make_unique<client>(t.listener_->port());
         c->send(packet_prelogin, test::prelogin_message());
         c->receive();
         const bytes login = framed(packet_login7, test::login7_message(test::tds74, "sa", sa_password));
         c->send_raw(bytes(login.begin(), login.begin() + static_cast<std::ptrdiff_t>(login.size() / 2)));
         return c;
       }},
      {"one byte a second",
       [&](Clients& t) {
         auto c = t.logged_in();
         const bytes batch = framed(packet_batch, test::batch_message("select name from master.dbo.sysdatabases"));
         trickling = true;
         trickler = std::thread([&trickling, fd = c->fd(), batch] {
           for (std::uint8_t byte : batch) {
             if (!trickling || ::send(fd, &byte, 1, MSG_NOSIGNAL) != 1) return;
             for (int i = 0; i < 10 && trickling; ++i) std::this_thread::sleep_for(100ms);
           }
         });
         return c;
       }},
      {"an unread large reply",
       [&](Clients& t) {
         auto c = t.logged_in(4096);
         c->send(packet_batch, test::batch_message(many));
         return c;
       }},
      {"a 0x06 byte held open",
       [](Clients& t) {
         auto c = t.logged_in();
         c->send_raw({packet_attention});
         return c;
       }},
  };
  for (const stall& s : cases) {
    SCOPED_TRACE(s.what);
    const auto began = steady::now();
    std::unique_ptr<client> stalled = s.begin(*this);
    const long long others = ten_clients_served();
    EXPECT_LT(others, 1000) << s.what;
    const auto reported = stall_reported(began);
    ASSERT_TRUE(reported.has_value()) << s.what;
    const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(reported->first - began).count();
    EXPECT_GE(after, limit.count()) << s.what << ": " << reported->second;
    EXPECT_LT(after, limit.count() + 2000) << s.what << ": " << reported->second;
    std::printf("[ stall    ] %-22s ten others served in %lld ms; closed after %lld ms (%s)\n", s.what, others,
                static_cast<long long>(after), reported->second.c_str());
    EXPECT_TRUE(stalled->read_to_end(5).has_value()) << s.what;
    trickling = false;
    if (trickler.joinable()) trickler.join();
  }
}

TEST_F(Clients, ClientsBeyondThoseServedWaitInTheListenQueueAndAreServedInTurn) {
  start(1);
  auto holder = logged_in();
  // The listener serves one connection, so these are left to the kernel: all get connected at once.
  const auto began = steady::now();
  std::vector<int> queued;
  for (int i = 0; i < listen_backlog; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listener_->port());
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    queued.push_back(fd);
  }
  int connected = 0;
  for (int fd : queued) {
    pollfd p{fd, POLLOUT, 0};
    int error = -1;
    socklen_t length = sizeof error;
    if (::poll(&p, 1, std::max<int>(0, 1000 - static_cast<int>(ms_since(began)))) == 1 &&
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
      ++connected;
    }
  }
  ASSERT_EQ(connected, listen_backlog);
  std::printf("[ backlog  ] %d of %d connections queued in %lld ms\n", connected, listen_backlog,
              ms_since(began));

  // Each says PRELOGIN now; the server answers whichever it takes next, once the one before has gone.
  std::vector<std::unique_ptr<client>> waiting;
  for (int fd : queued) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    waiting.push_back(client::adopt(fd));
    ASSERT_TRUE(waiting.back()->send(packet_prelogin, test::prelogin_message()));
  }
  holder.reset();
  const auto serving = steady::now();
  int served = 0;
  while (!waiting.empty()) {
    std::vector<pollfd> fds;
    for (const auto& c : waiting) fds.push_back({c->fd(), POLLIN, 0});
    ASSERT_GT(::poll(fds.data(), fds.size(), 5000), 0) << served << " served";
    const std::size_t next = static_cast<std::size_t>(
        std::find_if(fds.begin(), fds.end(), [](const pollfd& p) { return p.revents != 0; }) - fds.begin());
    client& c = *waiting[next];
    ASSERT_TRUE(c.receive().has_value());
    ASSERT_TRUE(c.send(packet_login7, test::login7_message(test::tds74, "sa", sa_password)));
    const std::optional<reply> login = c.receive();
    ASSERT_TRUE(login && login->well_formed && login->tokens.back().status == 0);
    ++served;
    waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(next));
  }
  std::printf("[ backlog  ] %d queued clients served one at a time in %lld ms\n", served, ms_since(serving));
}

TEST_F(Clients, StatementsOfManyClientsRunOneAtATime) {
  start();
  // Each client adds logins; the engine numbers their SIDs, so a statement run beside another would
  // lose a login or give two the same SID.
  constexpr int clients = 8;
  constexpr int logins = 40;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&, i] {
      client c(listener_->port());
      if (!c.login("sa", sa_password)) ++failures;
      for (int k = 0; k < logins; ++k) {
        const std::string name = "c" + std::to_string(i) + "_" + std::to_string(k);
        if (!c.send(packet_batch, test::batch_message("sp_addlogin '" + name + "', 'pw'"))) ++failures;
        const std::optional<reply> r = c.receive();
        if (!r || !r->well_formed || (r->tokens.back().status & done_error) != 0) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  const std::string dump = engine_->dump();
  std::set<std::string> sids;
  std::size_t count = 0;
  for (std::size_t at = dump.find("\nlogin 'c"); at != std::string::npos; at = dump.find("\nlogin 'c", at + 1)) {
    const std::size_t sid = dump.find(" sid ", at) + 5;
    sids.insert(dump.substr(sid, dump.find(' ', sid) - sid));
    ++count;
  }
  EXPECT_EQ(count, static_cast<std::size_t>(clients * logins));
  EXPECT_EQ(sids.size(), count);
}

}  // namespace
}  // namespace sqlsim::tds
