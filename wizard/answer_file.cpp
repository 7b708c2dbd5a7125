#include "wizard/answer_file.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/byte_source.h"
#include "platform/ini_reader.h"
#include "platform/text.h"

namespace setup {
namespace {

constexpr std::array<std::string_view, 13> known_keys = {
    "edition",         "sql_version",   "instance",         "server",           "sa_password",
    "sa_password_env", "database",      "customer",         "special_password", "replace_existing",
    "new_port",        "open_firewall", "start_accessories"};
constexpr std::array<std::string_view, 3> editions = {"dd", "zb", "jmzb"};
constexpr std::array<std::string_view, 4> sql_versions = {"2000", "2005", "2008", "2012"};
constexpr std::array<std::string_view, 3> accessories = {accessory_wcf, accessory_automess,
                                                         accessory_auto_up};

std::string_view trim_blanks(std::string_view text) {
  const std::string_view blanks = " \t\v\f\r\n\x1A";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <std::size_t n>
bool one_of(const std::array<std::string_view, n>& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

template <std::size_t n>
std::string listed(const std::array<std::string_view, n>& list) {
  std::string out;
  for (const std::string_view item : list) out += (out.empty() ? "" : ", ") + std::string(item);
  return out;
}

// The key names of the first [install] section, as written, in their order; nullopt without one.
// `refusal` is set for a second such section and for a line that is neither a key nor a comment.
std::optional<std::vector<std::string>> keys_of_install_section(std::string_view text, std::string& refusal) {
  std::optional<std::vector<std::string>> keys;
  bool inside = false;
  std::size_t next = 0;
  while (next < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", next);
    const std::string_view line =
        trim_blanks(text.substr(next, end == std::string_view::npos ? std::string_view::npos : end - next));
    next = end == std::string_view::npos ? text.size() : end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.rfind(']') != std::string_view::npos) {
      const bool install =
          equals_ignore_case_ascii(trim_blanks(line.substr(1, line.rfind(']') - 1)), answers_section);
      if (install && keys) {
        refusal = "the section [install] appears twice; write every answer in one";
        return keys;
      }
      inside = install;
      if (install) keys.emplace();
      continue;
    }
    if (!inside) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      refusal = "the line \"" + std::string(line) + "\" in [install] is not key=value";
      return keys;
    }
    keys->emplace_back(trim_blanks(line.substr(0, equals)));
  }
  return keys;
}

// "yes"/"no" and their usual spellings; nullopt for anything else.
std::optional<bool> yes_or_no(std::string_view value) {
  for (const std::string_view yes : {"yes", "y", "true", "1"}) {
    if (equals_ignore_case_ascii(value, yes)) return true;
  }
  for (const std::string_view no : {"no", "n", "false", "0"}) {
    if (equals_ignore_case_ascii(value, no)) return false;
  }
  return std::nullopt;
}

std::vector<std::string> words_of(std::string_view value) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : std::string(value) + ",") {
    if (c == ',' || c == ';' || c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

answer_file_result refused(std::string_view path, std::string reason) {
  return {std::nullopt, "answer file " + std::string(path) + ": " + reason};
}

}  // namespace

bool install_answers::starts(std::string_view accessory) const {
  return std::find(start_accessories.begin(), start_accessories.end(), accessory) != start_accessories.end();
}

answer_file_result parse_answers(std::string_view file_bytes, environment& env, std::string_view path) {
  const std::string text = decode_ini_text(file_bytes);
  std::string refusal;
  const std::optional<std::vector<std::string>> keys = keys_of_install_section(text, refusal);
  if (!refusal.empty()) return refused(path, refusal);
  if (!keys) return refused(path, "it has no section [install]");
  for (std::size_t i = 0; i < keys->size(); ++i) {
    const std::string& key = (*keys)[i];
    if (std::none_of(known_keys.begin(), known_keys.end(),
                     [&](std::string_view k) { return equals_ignore_case_ascii(k, key); })) {
      return refused(path, "unknown key \"" + key + "\" in [install]; the keys are " + listed(known_keys));
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (equals_ignore_case_ascii((*keys)[j], key)) {
        return refused(path, "the key \"" + key + "\" is given twice; give it once");
      }
    }
  }
  const auto value = [&](std::string_view key) -> std::optional<std::string> {
    const std::optional<std::string> raw = find_ini_value(text, answers_section, key);
    if (!raw) return std::nullopt;
    return ini_default_value(*raw);
  };
  const auto given = [&](std::string_view key) {
    std::optional<std::string> v = value(key);
    return v && !v->empty() ? v : std::nullopt;
  };

  install_answers a;
  if (const auto edition = given("edition")) {
    a.edition = *edition;
    if (!one_of(editions, a.edition))
      return refused(path, "edition \"" + a.edition + "\" is none of " + listed(editions));
  }
  const auto version = given("sql_version");
  if (!version) return refused(path, "sql_version is missing; give one of " + listed(sql_versions));
  a.sql_version = *version;
  if (!one_of(sql_versions, a.sql_version)) {
    return refused(path, "sql_version \"" + a.sql_version + "\" is not one SQL Server version; give one of " +
                             listed(sql_versions));
  }
  if (const auto instance = given("instance")) a.instance = *instance;
  a.server = given("server");

  const std::optional<std::string> password = value("sa_password");
  const auto variable = given("sa_password_env");
  if (password && variable) {
    return refused(path, "give sa_password or sa_password_env, not both");
  }
  if (variable) {
    const std::optional<std::string> held = env.variable(*variable);
    if (!held) {
      return refused(path,
                     "sa_password_env names the environment variable " + *variable + ", which is not set");
    }
    a.sa_password = *held;
    a.sa_password_source = "environment variable " + *variable;
  } else if (password) {
    a.sa_password = *password;
    a.sa_password_source = "the answer file";
  } else {
    a.sa_password_source = "none (empty)";
  }

  a.database = value("database");
  if (a.database) *a.database = trim_spaces(*a.database);
  a.customer = given("customer");
  if (const auto special = given("special_password")) a.special_password = *special;
  if (const auto replace = given("replace_existing")) {
    const std::optional<bool> answer = yes_or_no(*replace);
    if (!answer) return refused(path, "replace_existing is \"" + *replace + "\"; give yes or no");
    a.replace_existing = *answer;
  }
  if (const auto port = given("new_port")) a.new_port = trim_spaces(*port);
  if (const auto open = given("open_firewall")) {
    const std::optional<bool> answer = yes_or_no(*open);
    if (!answer) return refused(path, "open_firewall is \"" + *open + "\"; give yes or no");
    a.open_firewall = *answer;
  }
  if (const auto list = given("start_accessories")) {
    for (const std::string& word : words_of(*list)) {
      if (!one_of(accessories, word)) {
        return refused(
            path, "start_accessories names \"" + word + "\"; the accessories are " + listed(accessories));
      }
      if (a.starts(word)) return refused(path, "start_accessories names " + word + " twice");
      a.start_accessories.push_back(word);
    }
  }
  return {std::move(a), ""};
}

answer_file_result read_answer_file(files& fs, environment& env, std::string_view path) {
  const std::unique_ptr<byte_source> source = fs.OpenForReading(path);
  std::string bytes;
  if (source == nullptr) return refused(path, "it cannot be opened");
  if (!read_all(*source, bytes, ini_file_size_limit))
    return refused(path, "it cannot be read, or is larger than 1 MiB");
  return parse_answers(bytes, env, path);
}

}  // namespace setup
