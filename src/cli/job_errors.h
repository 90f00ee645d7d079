// Counts the error lines a job writes to the activity log, so that a kezagg command can end with
// a status that says whether its jobs went through: the jobs themselves report only there.
#ifndef KEZ_CLI_JOB_ERRORS_H_
#define KEZ_CLI_JOB_ERRORS_H_

#include <memory>
#include <string_view>

#include "app/app_context.h"

namespace kez::cli {

// Wraps context.log_echo (keeping what it did) with a counter of the messages that hold
// " - Error: ". Returns the counter, which lives as long as the echo.
std::shared_ptr<int> CountErrorLines(AppContext& context);

}  // namespace kez::cli

#endif  // KEZ_CLI_JOB_ERRORS_H_
