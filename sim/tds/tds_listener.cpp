#include "sim/tds/tds_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "sim/tds/tds_messages.h"

namespace sqlsim::tds {
namespace {

constexpr std::uint16_t session_id = 51;
// Requests larger than this are not something the wizard sends; the connection is closed.
constexpr std::size_t max_request_size = 16u << 20;
// Packets of the login reply are cut at the size every client starts with.
constexpr std::uint32_t initial_packet_size = 4096;
constexpr std::string_view initial_database = "master";
constexpr std::string_view language = "us_english";
constexpr long unsupported_number = 50000;
constexpr long no_procedure_number = 2812;

server_message database_changed(std::string_view database) {
  return server_message{5701, 2, 0, "Changed database context to '" + std::string(database) + "'.", "", 1};
}

server_message language_changed() {
  return server_message{5703, 1, 0, "Changed language setting to " + std::string(language) + ".", "", 1};
}

server_message unsupported(std::string_view what) {
  return server_message{
      unsupported_number, 1, 16, "The simulated server does not support " + std::string(what) + ".", "", 1};
}

server_message no_prepared_statement(const std::optional<std::int32_t>& handle) {
  return server_message{8179, 2, 16,
                        "Could not find prepared statement with handle " +
                            (handle ? std::to_string(*handle) : std::string("(null)")) + ".",
                        "", 1};
}

server_message parameter_not_supplied(std::string_view procedure, std::string_view name) {
  return server_message{201, 4, 16,
                        "Procedure or function '" + std::string(procedure) + "' expects parameter '" +
                            std::string(name) + "', which was not supplied.",
                        "", 1};
}

server_message no_such_procedure(std::string_view name) {
  return server_message{
      no_procedure_number, 62, 16, "Could not find stored procedure '" + std::string(name) + "'.", "", 1};
}

class unique_fd {
 public:
  unique_fd() = default;
  explicit unique_fd(int fd) : fd_(fd) {}
  ~unique_fd() { reset(); }
  unique_fd(unique_fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  unique_fd& operator=(unique_fd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  unique_fd(const unique_fd&) = delete;
  unique_fd& operator=(const unique_fd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

using steady = std::chrono::steady_clock;

// One client connection: the login, then requests until the client closes. The engine is used only with
// its lock held, and never while waiting on the socket.
class connection {
 public:
  connection(int fd, int wake_fd, engine& server, std::mutex& engine_lock, const listener_options& options)
      : fd_(fd), wake_fd_(wake_fd), engine_(server), engine_lock_(engine_lock), options_(options) {}

  void serve();

 private:
  enum class read_result { message, closed, malformed, stalled, stopped };
  enum class wait_result { ready, stopped, timed_out };

  // Waits for the socket (or the listener stopping) until the deadline; none waits for ever.
  wait_result wait(short events, std::optional<steady::time_point> deadline);
  read_result read_exact(std::uint8_t* data, std::size_t size, std::optional<steady::time_point> deadline);
  // Reads one whole message. Its first byte may be long in coming (a client idle between requests); from
  // then on the rest must arrive within the client timeout.
  read_result read_message(std::uint8_t& type, bytes& payload);
  bool send_all(const std::uint8_t* data, std::size_t size);
  bool send_packet(const std::uint8_t* data, std::size_t size, bool last);
  // Sends the tokens from `sent` on in full packets while more than a packet remains.
  bool flush(const bytes& tokens, std::size_t& sent);
  // Sends the rest of the tokens, the last packet marked as the end of the message.
  bool finish(const bytes& tokens, std::size_t& sent);
  // True when the client has sent an attention, which is then taken off the socket.
  bool attention_pending();
  void log(std::string_view why) const {
    if (options_.log) options_.log(why);
  }
  std::string timeout_text() const { return std::to_string(options_.client_timeout.count()) + " ms"; }

  bool handle_prelogin(const bytes& payload);
  bool handle_login(const bytes& payload);
  bool handle_batch(const bytes& payload);
  bool handle_rpc(const bytes& payload);
  bool handle_transaction(const bytes& payload);
  bool reply_error(const server_message& error, std::uint8_t done_token);
  // sp_prepare, sp_execute, sp_prepexec and sp_unprepare, on this connection's prepared statements.
  bool handle_prepared(const prepared_call& call, std::string_view procedure);
  bool reply_attention();
  class reply_stream;
  // Runs a batch or call on the engine under its lock (then the after_request callback) and sends what
  // it produces as it comes. Inside a procedure call every statement ends with DONEINPROC and the call
  // with RETURNSTATUS, the output parameter @handle when `handle` is given, and DONEPROC.
  bool reply(std::string_view text, const std::vector<parameter>& parameters, bool in_procedure,
             const std::optional<std::int32_t>* handle = nullptr);
  // The same for outcomes made without the engine (a call refused before it runs).
  bool reply_outcomes(const std::vector<statement_outcome>& outcomes, bool in_procedure,
                      const std::optional<std::int32_t>* handle = nullptr);
  // Frames tokens from `sent` on into outgoing packets: the full ones, or all of them (`all`), the
  // last marked as the end of the message (`last`).
  void queue(const bytes& tokens, std::size_t& sent, bool all, bool last = false);
  void frame(const std::uint8_t* data, std::size_t size, bool last);
  // Sends the outgoing packets: what the socket takes now, or (`may_wait`) all of them, each wait for
  // the client bounded by the client timeout. False once the connection is broken.
  bool push(bool may_wait);

  struct prepared_statement {
    std::string statement;
    std::string declarations;
  };

  int fd_;
  int wake_fd_;
  engine& engine_;
  std::mutex& engine_lock_;
  const listener_options& options_;
  session session_;
  tds_version version_ = 0x74000004;
  std::uint32_t packet_size_ = initial_packet_size;
  std::uint8_t packet_id_ = 1;
  bool prelogin_done_ = false;
  bool logged_in_ = false;
  // Statements prepared on this connection, by handle (numbered from 1, as SQL Server does per session).
  std::map<std::int32_t, prepared_statement> prepared_;
  std::int32_t next_handle_ = 1;
  // Packets of the reply not yet taken by the socket.
  bytes outgoing_;
  std::size_t outgoing_sent_ = 0;
  bool broken_ = false;
};

connection::wait_result connection::wait(short events, std::optional<steady::time_point> deadline) {
  pollfd fds[2] = {{fd_, events, 0}, {wake_fd_, POLLIN, 0}};
  while (true) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - steady::now()).count();
      if (left <= 0) return wait_result::timed_out;
      timeout = static_cast<int>(std::min<long long>(left, 1 << 30));
    }
    const int n = ::poll(fds, 2, timeout);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[1].revents & POLLIN) != 0) return wait_result::stopped;
    if (fds[0].revents != 0) return wait_result::ready;
  }
}

connection::read_result connection::read_exact(std::uint8_t* data, std::size_t size,
                                               std::optional<steady::time_point> deadline) {
  std::size_t done = 0;
  while (done < size) {
    const wait_result waited = wait(POLLIN, deadline);
    if (waited == wait_result::timed_out) return read_result::stalled;
    if (waited == wait_result::stopped) return read_result::stopped;
    const ssize_t n = ::recv(fd_, data + done, size - done, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return done == 0 ? read_result::closed : read_result::malformed;
    done += static_cast<std::size_t>(n);
  }
  return read_result::message;
}

connection::read_result connection::read_message(std::uint8_t& type, bytes& payload) {
  payload.clear();
  std::uint8_t header[packet_header_size];
  // The first byte: nothing stalls while a client sends nothing at all.
  const read_result started = read_exact(header, 1, std::nullopt);
  if (started != read_result::message) return started;
  const steady::time_point deadline = steady::now() + options_.client_timeout;
  bool first = true;
  while (true) {
    const std::size_t have = first ? 1 : 0;
    read_result read = read_exact(header + have, sizeof header - have, deadline);
    if (read == read_result::closed) read = read_result::malformed;  // closed inside a message
    if (read != read_result::message) return read;
    const std::size_t length = (std::size_t{header[2]} << 8) | header[3];
    if (length < packet_header_size) return read_result::malformed;
    if (first) type = header[0];
    if (header[0] != type) return read_result::malformed;
    first = false;
    const std::size_t body = length - packet_header_size;
    if (payload.size() + body > max_request_size) return read_result::malformed;
    const std::size_t at = payload.size();
    payload.resize(at + body);
    read = read_exact(payload.data() + at, body, deadline);
    if (read == read_result::closed) read = read_result::malformed;
    if (read != read_result::message) return read;
    if ((header[1] & status_end_of_message) != 0) return read_result::message;
  }
}

bool connection::send_all(const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    // The client must take some of the reply within the timeout of the last bytes it took.
    const wait_result waited = wait(POLLOUT, steady::now() + options_.client_timeout);
    if (waited == wait_result::timed_out) log("closed: the client took nothing of the reply for " + timeout_text());
    if (waited != wait_result::ready) return false;
    const ssize_t n = ::send(fd_, data + done, size - done, MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool connection::send_packet(const std::uint8_t* data, std::size_t size, bool last) {
  bytes packet(packet_header_size + size);
  const std::size_t length = packet.size();
  packet[0] = packet_reply;
  packet[1] = last ? status_end_of_message : 0;
  packet[2] = static_cast<std::uint8_t>(length >> 8);
  packet[3] = static_cast<std::uint8_t>(length);
  packet[4] = static_cast<std::uint8_t>(session_id >> 8);
  packet[5] = static_cast<std::uint8_t>(session_id);
  packet[6] = packet_id_++;
  packet[7] = 0;
  if (size > 0) std::memcpy(packet.data() + packet_header_size, data, size);
  return send_all(packet.data(), packet.size());
}

bool connection::flush(const bytes& tokens, std::size_t& sent) {
  const std::size_t chunk = packet_size_ - packet_header_size;
  while (tokens.size() - sent > chunk) {
    if (!send_packet(tokens.data() + sent, chunk, false)) return false;
    sent += chunk;
  }
  return true;
}

bool connection::finish(const bytes& tokens, std::size_t& sent) {
  if (!flush(tokens, sent)) return false;
  const bool ok = send_packet(tokens.data() + sent, tokens.size() - sent, true);
  sent = tokens.size();
  return ok;
}

bool connection::attention_pending() {
  pollfd fds{fd_, POLLIN, 0};
  if (::poll(&fds, 1, 0) <= 0 || (fds.revents & POLLIN) == 0) return false;
  std::uint8_t first = 0;
  if (::recv(fd_, &first, 1, MSG_PEEK | MSG_DONTWAIT) != 1 || first != packet_attention) return false;
  std::uint8_t type = 0;
  bytes payload;
  const read_result read = read_message(type, payload);
  if (read == read_result::stalled) log("closed: an attention did not arrive whole within " + timeout_text());
  return read == read_result::message;
}

bool connection::reply_attention() {
  token_writer tokens(version_);
  tokens.done(token_done, done_attention);
  std::size_t sent = 0;
  return finish(tokens.data(), sent);
}

bool connection::reply_error(const server_message& error, std::uint8_t done_token) {
  token_writer tokens(version_);
  tokens.message(error);
  tokens.done(done_token, done_error);
  std::size_t sent = 0;
  return finish(tokens.data(), sent);
}

bool connection::handle_prelogin(const bytes& payload) {
  const std::optional<prelogin_request> request = parse_prelogin(payload);
  if (!request) {
    log("malformed PRELOGIN");
    return false;
  }
  prelogin_done_ = true;
  const bytes reply = prelogin_reply(*request, engine_.version());
  std::size_t sent = 0;
  return finish(reply, sent);
}

bool connection::handle_login(const bytes& payload) {
  const std::optional<login_request> login = parse_login7(payload);
  if (!login) {
    log("malformed LOGIN7 or a TDS version other than 7.1 to 7.4");
    return false;
  }
  version_ = login->version;
  token_writer tokens(version_);
  std::size_t sent = 0;
  std::optional<server_message> refused;
  {
    const std::lock_guard<std::mutex> hold(engine_lock_);
    refused = engine_.login(session_, login->user, login->password, login->database);
  }
  if (refused) {
    tokens.message(*refused);
    tokens.done(token_done, done_error);
    finish(tokens.data(), sent);
    log("login refused: " + refused->text);
    return false;
  }
  const std::uint32_t negotiated = negotiated_packet_size(login->packet_size);
  tokens.env_database(session_.database, initial_database);
  tokens.message(database_changed(session_.database));
  tokens.env_collation();
  tokens.env_language(language, "");
  tokens.message(language_changed());
  tokens.login_ack(engine_.version());
  tokens.env_packet_size(negotiated, initial_packet_size);
  tokens.done(token_done, 0);
  if (!finish(tokens.data(), sent)) return false;
  packet_size_ = negotiated;
  logged_in_ = true;
  return true;
}

// The reply to a batch or call, written while the engine runs it: each statement's tokens as it ends,
// each progress message sent on at once in a packet of its own, so that a client sees it while the
// statement still runs. This runs under the engine lock, so nothing here waits on the socket: what the
// client does not take at once waits until finish(), after the lock.
class connection::reply_stream final : public execution_observer {
 public:
  reply_stream(connection& c, bool in_procedure, std::string database)
      : c_(c),
        tokens_(c.version_),
        in_procedure_(in_procedure),
        statement_done_(in_procedure ? token_done_in_proc : token_done),
        database_(std::move(database)) {}

  void progress(const server_message& m) override {
    close_statement(true);
    tokens_.message(m);
    tokens_.done(statement_done_, done_more);
    c_.queue(tokens_.data(), sent_, true);
    c_.push(false);
  }

  void statement_done(const statement_outcome& o) override {
    close_statement(true);
    bool failed = o.failed;
    if (o.rows && !o.rows->columns.empty() && !tokens_.row_set(*o.rows)) {
      tokens_.message(unsupported("values over 4000 characters under TDS 7.1"));
      failed = true;
    }
    for (const server_message& m : o.messages) tokens_.message(m);
    if (o.database_changed) {
      tokens_.env_database(*o.database_changed, database_);
      tokens_.message(database_changed(*o.database_changed));
      database_ = *o.database_changed;
    }
    // Its DONE waits for what comes next: only the last one of a batch goes without MORE.
    std::uint16_t status = 0;
    if (o.rows_affected) status |= done_count;
    if (failed) status |= done_error;
    open_ = open_statement{status, o.rows_affected ? static_cast<std::uint64_t>(*o.rows_affected) : 0};
    any_statement_ = true;
    any_failed_ = any_failed_ || failed;
    c_.queue(tokens_.data(), sent_, false);
    c_.push(false);
  }

  // Ends the reply (with @handle as an output parameter when given) and sends all of it.
  bool finish(const std::optional<std::int32_t>* handle) {
    close_statement(in_procedure_);
    if (in_procedure_) {
      tokens_.return_status(any_failed_ ? 1 : 0);
      if (handle) tokens_.return_value("@handle", *handle);
      tokens_.done(token_done_proc, 0);
    } else if (!any_statement_) {
      tokens_.done(token_done, 0);
    }
    c_.queue(tokens_.data(), sent_, true, true);
    return c_.push(true);
  }

 private:
  struct open_statement {
    std::uint16_t status;
    std::uint64_t count;
  };
  void close_statement(bool more) {
    if (!open_) return;
    tokens_.done(statement_done_, static_cast<std::uint16_t>(open_->status | (more ? done_more : 0)), open_->count);
    open_.reset();
  }

  connection& c_;
  token_writer tokens_;
  std::size_t sent_ = 0;  // tokens already framed into packets
  bool in_procedure_;
  std::uint8_t statement_done_;
  std::string database_;
  std::optional<open_statement> open_;
  bool any_statement_ = false;
  bool any_failed_ = false;
};

void connection::queue(const bytes& tokens, std::size_t& sent, bool all, bool last) {
  const std::size_t chunk = packet_size_ - packet_header_size;
  while (tokens.size() - sent > chunk || (all && tokens.size() > sent && !last)) {
    const std::size_t size = std::min(chunk, tokens.size() - sent);
    frame(tokens.data() + sent, size, false);
    sent += size;
  }
  if (last) {
    frame(tokens.data() + sent, tokens.size() - sent, true);
    sent = tokens.size();
  }
}

void connection::frame(const std::uint8_t* data, std::size_t size, bool last) {
  const std::size_t length = packet_header_size + size;
  outgoing_.insert(outgoing_.end(),
                   {packet_reply, static_cast<std::uint8_t>(last ? status_end_of_message : 0),
                    static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                    static_cast<std::uint8_t>(session_id >> 8), static_cast<std::uint8_t>(session_id), packet_id_++, 0});
  outgoing_.insert(outgoing_.end(), data, data + size);
}

bool connection::push(bool may_wait) {
  while (!broken_ && outgoing_sent_ < outgoing_.size()) {
    if (may_wait) {
      const wait_result waited = wait(POLLOUT, steady::now() + options_.client_timeout);
      if (waited == wait_result::timed_out) log("closed: the client took nothing of the reply for " + timeout_text());
      if (waited != wait_result::ready) return false;
    }
    const ssize_t n = ::send(fd_, outgoing_.data() + outgoing_sent_, outgoing_.size() - outgoing_sent_,
                             MSG_NOSIGNAL | (may_wait ? 0 : MSG_DONTWAIT));
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!may_wait) return true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) broken_ = true;
    if (n > 0) outgoing_sent_ += static_cast<std::size_t>(n);
  }
  if (broken_) return false;
  outgoing_.clear();
  outgoing_sent_ = 0;
  return true;
}

bool connection::reply(std::string_view text, const std::vector<parameter>& parameters, bool in_procedure,
                       const std::optional<std::int32_t>* handle) {
  reply_stream stream(*this, in_procedure, session_.database);
  {
    const std::lock_guard<std::mutex> hold(engine_lock_);
    engine_.execute(session_, text, parameters, &stream);
    if (options_.after_request) options_.after_request();
  }
  return stream.finish(handle);
}

bool connection::reply_outcomes(const std::vector<statement_outcome>& outcomes, bool in_procedure,
                                const std::optional<std::int32_t>* handle) {
  reply_stream stream(*this, in_procedure, session_.database);
  for (const statement_outcome& o : outcomes) stream.statement_done(o);
  return stream.finish(handle);
}


bool connection::handle_batch(const bytes& payload) {
  const std::optional<std::string> text = parse_batch(payload, version_);
  if (!text) {
    log("malformed SQL batch");
    return false;
  }
  if (attention_pending()) return reply_attention();
  return reply(*text, {}, false);
}

bool connection::handle_rpc(const bytes& payload) {
  const rpc_parse parsed = parse_rpc(payload, version_);
  if (parsed.outcome == rpc_parse::result::malformed) {
    log("malformed RPC");
    return false;
  }
  if (parsed.outcome == rpc_parse::result::unsupported)
    return reply_error(unsupported(parsed.reason), token_done_proc);
  if (const std::optional<prepared_call> prepared = as_prepared_call(parsed.request)) {
    return handle_prepared(*prepared, parsed.request.procedure);
  }
  const std::optional<executesql_call> call = as_executesql(parsed.request);
  if (!call) return reply_error(no_such_procedure(parsed.request.procedure), token_done_proc);
  if (attention_pending()) return reply_attention();
  return reply(call->statement, call->parameters, true);
}

bool connection::handle_prepared(const prepared_call& call, std::string_view procedure) {
  using kind = prepared_call::kind;
  if (!call.missing.empty()) return reply_error(parameter_not_supplied(procedure, call.missing), token_done_proc);
  if (attention_pending()) return reply_attention();
  if (call.type == kind::execute || call.type == kind::unprepare) {
    const auto found = call.handle ? prepared_.find(*call.handle) : prepared_.end();
    if (found == prepared_.end()) return reply_error(no_prepared_statement(call.handle), token_done_proc);
    if (call.type == kind::unprepare) {
      prepared_.erase(found);
      return reply_outcomes({}, true);
    }
    const prepared_statement statement = found->second;
    return reply(statement.statement, bind_parameters(statement.declarations, call.values), true);
  }
  // A statement that does not compile gets no handle; its errors are the reply (sp_prepexec's run
  // reports them).
  std::vector<server_message> errors;
  {
    const std::lock_guard<std::mutex> hold(engine_lock_);
    errors = engine_.syntax_errors(call.statement);
  }
  std::optional<std::int32_t> handle;
  if (errors.empty()) {
    handle = next_handle_++;
    prepared_[*handle] = prepared_statement{call.statement, call.declarations};
  }
  if (call.type == kind::prepexec) {
    return reply(call.statement, bind_parameters(call.declarations, call.values), true, &handle);
  }
  std::vector<statement_outcome> outcomes;
  if (!errors.empty()) {
    statement_outcome failed;
    failed.messages = errors;
    failed.failed = true;
    outcomes.push_back(std::move(failed));
  }
  return reply_outcomes(outcomes, true, &handle);
}

bool connection::handle_transaction(const bytes& payload) {
  if (!parse_transaction_request(payload, version_)) {
    log("malformed transaction request");
    return false;
  }
  // Every statement is applied as it runs; there is nothing a transaction could hold back or undo.
  return reply_error(unsupported("transactions (use auto-commit)"), token_done);
}

void connection::serve() {
  while (true) {
    std::uint8_t type = 0;
    bytes payload;
    const read_result read = read_message(type, payload);
    if (read == read_result::closed || read == read_result::stopped) return;
    if (read == read_result::stalled) {
      log("closed: a request did not arrive whole within " + timeout_text());
      return;
    }
    if (read == read_result::malformed) {
      log("malformed packet");
      return;
    }
    bool keep = false;
    if (!logged_in_) {
      if (type == packet_prelogin && !prelogin_done_) {
        keep = handle_prelogin(payload);
      } else if (type == packet_login7) {
        keep = handle_login(payload);
      } else {
        log("unexpected message before the login");
      }
    } else {
      switch (type) {
        case packet_batch:
          keep = handle_batch(payload);
          break;
        case packet_rpc:
          keep = handle_rpc(payload);
          break;
        case packet_attention:
          keep = reply_attention();
          break;
        case packet_transaction:
          keep = handle_transaction(payload);
          break;
        default:
          log("unexpected message type");
          break;
      }
    }
    if (!keep) return;
  }
}

}  // namespace

class listener::worker {
 public:
  worker(engine& server, listener_options options) : engine_(server), options_(std::move(options)) {}
  ~worker() { stop(); }

  bool start(std::string& error);
  void stop();
  std::uint16_t port() const { return port_; }

 private:
  struct client {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void run();
  void serve(unique_fd socket);
  // Joins the threads of the connections that have ended.
  void reap();

  engine& engine_;
  listener_options options_;
  std::mutex engine_lock_;
  unique_fd socket_;
  unique_fd wake_read_;
  unique_fd wake_write_;
  // A connection's thread writes a byte here as it ends, so the accepting thread reaps it.
  unique_fd ended_read_;
  unique_fd ended_write_;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::list<client> clients_;  // the accepting thread's own
};

bool listener::worker::start(std::string& error) {
  if (thread_.joinable() || socket_.valid()) {
    error = "already started";
    return false;
  }
  int wake[2];
  int ended[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  wake_read_ = unique_fd(wake[0]);
  wake_write_ = unique_fd(wake[1]);
  if (::pipe2(ended, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  ended_read_ = unique_fd(ended[0]);
  ended_write_ = unique_fd(ended[1]);

  socket_ = unique_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket_.valid()) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(socket_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(options_.port);
  if (::bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socket_.get(), listen_backlog) != 0) {
    error = "port " + std::to_string(options_.port) + ": " + std::strerror(errno);
    socket_.reset();
    return false;
  }
  socklen_t length = sizeof address;
  ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { run(); });
  return true;
}

void listener::worker::stop() {
  if (wake_write_.valid()) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_write_.get(), &byte, 1);
  }
  if (thread_.joinable()) thread_.join();
  socket_.reset();
}

void listener::worker::reap() {
  char drained[64];
  while (::read(ended_read_.get(), drained, sizeof drained) > 0) {
  }
  for (auto it = clients_.begin(); it != clients_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    it->thread.join();
    it = clients_.erase(it);
  }
}

void listener::worker::serve(unique_fd socket) {
  const int on = 1;
  ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  try {
    connection(socket.get(), wake_read_.get(), engine_, engine_lock_, options_).serve();
  } catch (const std::exception& e) {
    // The engine failed inside a request: that connection ends, the server goes on.
    if (options_.log) options_.log(std::string("connection ended by an internal error: ") + e.what());
  }
}

void listener::worker::run() {
  while (true) {
    reap();
    // At the limit the port is not watched: new clients wait in the listen queue.
    const bool room = clients_.size() < std::max<std::size_t>(options_.max_connections, 1);
    pollfd fds[3] = {
        {wake_read_.get(), POLLIN, 0}, {ended_read_.get(), POLLIN, 0}, {room ? socket_.get() : -1, POLLIN, 0}};
    const int n = ::poll(fds, 3, -1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (fds[0].revents & POLLIN) != 0) break;
    if ((fds[2].revents & POLLIN) == 0) continue;
    unique_fd accepted(::accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!accepted.valid()) continue;
    client& c = clients_.emplace_back();
    c.thread = std::thread([this, &c, fd = accepted.release()] {
      serve(unique_fd(fd));
      c.done = true;
      const char byte = 1;
      [[maybe_unused]] const ssize_t written = ::write(ended_write_.get(), &byte, 1);
    });
  }
  // The wake pipe stays readable: every connection sees it and ends.
  for (client& c : clients_) c.thread.join();
  clients_.clear();
}

listener::listener(engine& server, listener_options options)
    : worker_(std::make_unique<worker>(server, std::move(options))) {}

listener::~listener() = default;

bool listener::start(std::string& error) {
  return worker_->start(error);
}

std::uint16_t listener::port() const {
  return worker_->port();
}

void listener::stop() {
  worker_->stop();
}

}  // namespace sqlsim::tds
