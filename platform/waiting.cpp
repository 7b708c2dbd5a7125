#include "platform/waiting.h"

namespace setup {
namespace {

class in_place final : public waiting {
 public:
  void run(const std::function<void()>& call) override { call(); }
  void tell(const std::function<void()>& note) override { note(); }
};

}  // namespace

waiting& waiting_in_place() {
  // Stateless: one object serves every caller.
  static in_place calls;
  return calls;
}

}  // namespace setup
