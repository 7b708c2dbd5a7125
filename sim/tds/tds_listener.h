// The TDS listener: puts an engine on a loopback port for real clients (FreeTDS's ODBC driver). It
// serves one connection at a time, on a thread of its own, until stopped; the engine is used from that
// thread only. A malformed message closes its connection and nothing else.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sim/engine/engine.h"

namespace sqlsim::tds {

struct listener_options {
  std::uint16_t port = 0;  // 0: any free port
  // Called on the listener's thread after every batch or call has run, before its reply is sent (a
  // client that has the reply sees what the callback did).
  std::function<void()> after_request;
  // Told why a connection was closed early (a malformed message, a refused login); may be empty.
  std::function<void(std::string_view)> log;
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
  // Closes the open connection and the port, and waits for the thread to end. Harmless twice.
  void stop();

  class worker;  // the socket side, defined with the protocol

 private:
  std::unique_ptr<worker> worker_;
};

}  // namespace sqlsim::tds
