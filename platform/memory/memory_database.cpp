#include "platform/memory/memory_database.h"

#include "platform/text.h"

namespace setup {

void memory_transaction::on(std::string pattern, reply answer, int times) {
  rules_.push_back(rule{std::move(pattern), std::move(answer), times});
}

std::vector<std::string> memory_transaction::statements() const {
  std::vector<std::string> texts;
  for (const call& c : calls_) {
    if (c.kind == "select" || c.kind == "rows" || c.kind == "execute") texts.push_back(c.sql);
  }
  return texts;
}

std::optional<memory_transaction::reply> memory_transaction::answer_for(std::string_view sql) {
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (find_ignore_case_ascii(sql, it->pattern) == std::string_view::npos) continue;
    reply answer = it->answer;
    if (it->times > 0 && --it->times == 0) rules_.erase(it);
    return answer;
  }
  return std::nullopt;
}

void memory_transaction::apply(const reply& r) {
  sqlcode = r.sqlcode;
  sqldbcode = r.sqldbcode;
  sqlerrtext = r.sqlerrtext;
  sqlnrows = r.sqlnrows;
}

void memory_transaction::connect() {
  calls_.push_back(call{"connect", {}, std::nullopt, servername, logid, logpass, database});
  reply answer;
  if (!connect_replies.empty()) {
    answer = connect_replies.front();
    connect_replies.pop_front();
  }
  apply(answer);
  connected_ = answer.sqlcode == sql_ok;
}

void memory_transaction::disconnect() {
  calls_.push_back(call{"disconnect", {}, std::nullopt, {}, {}, {}, {}});
  connected_ = false;
  apply(reply{});
}

std::optional<std::string> memory_transaction::select_single(std::string_view sql,
                                                             std::string_view parameter) {
  calls_.push_back(call{"select", std::string(sql), std::string(parameter), {}, {}, {}, {}});
  reply answer = answer_for(sql).value_or(reply{sql_not_found, 0, {}, 0, std::nullopt});
  if (answer.sqlcode == sql_ok && !answer.value) answer.sqlcode = sql_not_found;
  apply(answer);
  return answer.sqlcode == sql_ok ? answer.value : std::nullopt;
}

std::optional<result_set> memory_transaction::select_rows(std::string_view sql) {
  calls_.push_back(call{"rows", std::string(sql), std::nullopt, {}, {}, {}, {}});
  reply answer = answer_for(sql).value_or(reply{});
  if (answer.sqlcode == sql_ok && !answer.rows) answer.rows = result_set{};
  if (answer.sqlcode == sql_ok) answer.sqlnrows = static_cast<long>(answer.rows->rows.size());
  apply(answer);
  return answer.sqlcode == sql_ok ? answer.rows : std::nullopt;
}

void memory_transaction::run(std::string_view sql, std::optional<std::string> parameter,
                             const message_handler& on_message) {
  calls_.push_back(call{"execute", std::string(sql), std::move(parameter), {}, {}, {}, {}});
  const reply answer = answer_for(sql).value_or(reply{});
  if (on_message) {
    for (const auto& [number, text] : answer.messages) on_message(number, text);
  }
  apply(answer);
}

void memory_transaction::execute_immediate(std::string_view sql, const message_handler& on_message) {
  run(sql, std::nullopt, on_message);
}

void memory_transaction::execute_bound(std::string_view sql, std::string_view parameter) {
  run(sql, std::string(parameter), {});
}

}  // namespace setup
