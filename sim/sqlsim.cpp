// sqlsim: the simulated SQL Server on a loopback port, for the wire tests, the demo and anyone who needs
// a SQL Server stand-in for the setup wizard.
//
//   sqlsim [--port N] [--sa-password TEXT] [--version 2000|2005|2008|2012|2014|2016|2017|2019|2022]
//          [--c-drive DIR] [--dump FILE] [--client-timeout SECONDS] [--slow-restore MS]
//          [--fail PATTERN=NUMBER[@N]]...
//
// Prints "listening on 127.0.0.1:PORT" once it accepts connections and serves until SIGTERM or SIGINT.

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "sim/engine/engine.h"
#include "sim/tds/tds_listener.h"

namespace {

constexpr std::string_view usage_text =
    "usage: sqlsim [--port N] [--sa-password TEXT] [--version 2000|2005|2008|2012|2014|2016|2017|2019|2022]\n"
    "              [--c-drive DIR] [--dump FILE]\n"
    "              [--client-timeout SECONDS] [--slow-restore MS] [--fail PATTERN=NUMBER[@N]]...\n"
    "  --port N            loopback port to listen on (0 or absent: any free port)\n"
    "  --sa-password TEXT  password of the login sa (default: empty)\n"
    "  --version V         SQL Server version to behave as (default: 2008)\n"
    "  --c-drive DIR       directory that holds the files of drive C:\n"
    "  --dump FILE         write the server's state to FILE after every batch or call\n"
    "  --client-timeout S  close a connection whose request stops arriving, or whose reply is not read,\n"
    "                      for S seconds (default: 60)\n"
    "  --slow-restore MS   a RESTORE ... WITH STATS waits MS milliseconds before each progress message\n"
    "  --fail PATTERN=N[@K] the first (or Kth) statement whose text contains PATTERN fails, once, with\n"
    "                      error N (SQL Server's text where the server knows the number); repeatable\n";

struct arguments {
  std::uint16_t port = 0;
  std::chrono::seconds client_timeout{60};
  sqlsim::engine_options engine;
  std::optional<std::filesystem::path> dump;
  struct failure {
    std::string pattern;
    long number = 0;
    int occurrence = 1;
  };
  std::vector<failure> failures;  // --fail PATTERN=NUMBER[@N], in order
};

std::optional<long> number_of(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Reads the command line; prints what is wrong and returns nothing on bad arguments.
std::optional<arguments> parse(int argc, char** argv) {
  arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "sqlsim: %s needs a value\n", argv[i]);
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    if (option == "--port") {
      const std::optional<long> port = number_of(value);
      if (!port || *port < 0 || *port > 65535) {
        std::fprintf(stderr, "sqlsim: --port takes a number from 0 to 65535\n");
        return std::nullopt;
      }
      a.port = static_cast<std::uint16_t>(*port);
    } else if (option == "--client-timeout") {
      const std::optional<long> seconds = number_of(value);
      if (!seconds || *seconds < 1 || *seconds > 86400) {
        std::fprintf(stderr, "sqlsim: --client-timeout takes a number of seconds from 1 to 86400\n");
        return std::nullopt;
      }
      a.client_timeout = std::chrono::seconds(*seconds);
    } else if (option == "--fail") {
      const std::size_t equals = value.rfind('=');
      std::string_view number_text = equals == std::string_view::npos ? "" : value.substr(equals + 1);
      std::optional<long> occurrence = 1;
      if (const std::size_t at = number_text.find('@'); at != std::string_view::npos) {
        occurrence = number_of(number_text.substr(at + 1));
        number_text = number_text.substr(0, at);
      }
      const std::optional<long> number = number_of(number_text);
      if (equals == 0 || equals == std::string_view::npos || !number || *number <= 0 || !occurrence ||
          *occurrence < 1 || *occurrence > 1000) {
        std::fprintf(stderr, "sqlsim: --fail takes PATTERN=NUMBER or PATTERN=NUMBER@N\n");
        return std::nullopt;
      }
      a.failures.push_back({std::string(value.substr(0, equals)), *number, static_cast<int>(*occurrence)});
    } else if (option == "--slow-restore") {
      const std::optional<long> milliseconds = number_of(value);
      if (!milliseconds || *milliseconds < 0 || *milliseconds > 600000) {
        std::fprintf(stderr, "sqlsim: --slow-restore takes milliseconds from 0 to 600000\n");
        return std::nullopt;
      }
      a.engine.restore_step_delay = std::chrono::milliseconds(*milliseconds);
    } else if (option == "--sa-password") {
      a.engine.sa_password = std::string(value);
    } else if (option == "--version") {
      const std::optional<long> year = number_of(value);
      const auto version = year ? sqlsim::server_version_of_year(*year) : std::nullopt;
      if (!version) {
        std::fprintf(stderr,
                     "sqlsim: --version takes 2000, 2005, 2008, 2012, 2014, 2016, 2017, 2019 or 2022\n");
        return std::nullopt;
      }
      a.engine.version = *version;
    } else if (option == "--c-drive") {
      std::error_code error;
      if (!std::filesystem::is_directory(value, error)) {
        std::fprintf(stderr, "sqlsim: --c-drive %s is not a directory\n", argv[i]);
        return std::nullopt;
      }
      a.engine.c_drive = std::filesystem::absolute(value, error);
    } else if (option == "--dump") {
      if (value.empty()) {
        std::fprintf(stderr, "sqlsim: --dump needs a file name\n");
        return std::nullopt;
      }
      a.dump = std::filesystem::path(value);
    } else {
      std::fprintf(stderr, "sqlsim: unknown option %s\n", argv[i - 1]);
      return std::nullopt;
    }
  }
  return a;
}

// The file a dump is written to before it replaces the dump, named after this process.
std::filesystem::path temporary_of(const std::filesystem::path& file) {
  std::filesystem::path temporary = file;
  temporary += ".tmp" + std::to_string(::getpid());
  return temporary;
}

// Replaces `file` with `text` in one step: written beside it, then renamed over it, so a reader sees
// the old state or the new one, never half of one.
bool write_replacing(const std::filesystem::path& file, const std::string& text) {
  const std::filesystem::path temporary = temporary_of(file);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(usage_text.data(), stdout);
    return 0;
  }
  std::optional<arguments> args = parse(argc, argv);
  if (!args) {
    std::fputs(usage_text.data(), stderr);
    return 2;
  }

  // The signals are taken by sigwait below; blocked before the listener's thread starts, so it
  // inherits the mask and never receives them. A shell starts background programs with SIGINT ignored,
  // and an ignored signal never reaches sigwait: the default disposition comes back first.
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  // A temporary dump left by an earlier process of the same number (killed while writing) goes first;
  // this process's own goes at the end.
  const auto remove_temporary = [&] {
    std::error_code ignored;
    if (args->dump) std::filesystem::remove(temporary_of(*args->dump), ignored);
  };
  remove_temporary();

  sqlsim::engine server(args->engine);
  for (const arguments::failure& f : args->failures)
    server.fail_matching(f.pattern, sqlsim::message_of(args->engine.version, f.number), f.occurrence);
  const auto dump = [&] {
    if (args->dump && !write_replacing(*args->dump, server.dump())) {
      std::fprintf(stderr, "sqlsim: cannot write %s\n", args->dump->c_str());
    }
  };
  dump();

  sqlsim::tds::listener_options options;
  options.port = args->port;
  options.after_request = dump;
  options.client_timeout = args->client_timeout;
  options.log = [](std::string_view why) {
    std::fprintf(stderr, "sqlsim: %.*s\n", static_cast<int>(why.size()), why.data());
  };
  sqlsim::tds::listener listener(server, options);
  std::string error;
  if (!listener.start(error)) {
    std::fprintf(stderr, "sqlsim: cannot listen: %s\n", error.c_str());
    return 1;
  }
  std::printf("listening on 127.0.0.1:%u\n", static_cast<unsigned>(listener.port()));
  std::fflush(stdout);

  int received = 0;
  while (sigwait(&stop_signals, &received) != 0) {
  }
  listener.stop();
  remove_temporary();
  return 0;
}
