// The TDS listener: puts an engine on a loopback port for real clients (FreeTDS's ODBC driver). Each
// connection is served on a thread of its own; one lock around the engine keeps its statements one at a
// time, and no connection waits on its socket while it holds the lock, so a client that stalls holds up
// no other. A malformed message closes its connection and nothing else.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sim/engine/engine.h"

namespace sqlsim::tds {

// Connections waiting to be accepted beyond those served.
inline constexpr int listen_backlog = 128;

struct listener_options {
  std::uint16_t port = 0;  // 0: any free port
  // Called after every batch or call has run, before its reply is sent (a client that has the reply
  // sees what the callback did), with the engine locked: one call at a time.
  std::function<void()> after_request;
  // Told why a connection was closed early (a malformed message, a refused login, a stalled client);
  // may be empty. Called from the connections' threads, so it must be safe to call from several at once.
  std::function<void(std::string_view)> log;
  // A request that has begun must arrive whole within this time, and each packet of a reply must be
  // taken by the client within it; otherwise the connection is closed. A client idle between requests
  // is never closed.
  std::chrono::milliseconds client_timeout{60000};
  // Connections served at once; later ones wait in the listen queue until one of these ends.
  std::size_t max_connections = 64;
};

class listener {
 public:
  listener(engine& server, listener_options options);
  // Stops serving.
  ~listener();
  listener(const listener&) = delete;
  listener& operator=(const listener&) = delete;

  // Binds 127.0.0.1 and starts serving; false with `error` set when the port cannot be had.
  // Can only be called once.
  bool start(std::string& error);
  // The port bound by start().
  std::uint16_t port() const;
  // Closes every connection and the port, and waits for their threads to end. Harmless twice.
  void stop();

  class worker;  // the socket side, defined with the protocol

 private:
  std::unique_ptr<worker> worker_;
};

}  // namespace sqlsim::tds
