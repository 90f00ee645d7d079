#include "cli/job_errors.h"

#include <utility>

namespace kez::cli {

std::shared_ptr<int> CountErrorLines(AppContext& context) {
  auto count = std::make_shared<int>(0);
  context.log_echo = [count, echo = std::move(context.log_echo)](std::string_view message) {
    if (message.find(" - Error: Unable to") != std::string_view::npos) ++*count;
    if (echo) echo(message);
  };
  return count;
}

}  // namespace kez::cli
