// Counts the transfer failures a job writes to the activity log, so that a kezagg command can end
// with a status that says whether its uploads went through: the jobs themselves report only
// there. A file missing on this machine is no failure of the transfer (the custom list is made
// elsewhere, an extract without data makes no file) and is not counted.
#ifndef KEZ_CLI_JOB_ERRORS_H_
#define KEZ_CLI_JOB_ERRORS_H_

#include <memory>
#include <string_view>

#include "context/app_context.h"

namespace kez::cli {

// Wraps context.log_echo (keeping what it did) with a counter of the messages that hold
// " - Error: Unable to" (no connection, an upload refused). Returns the counter.
std::shared_ptr<int> CountErrorLines(AppContext& context);

}  // namespace kez::cli

#endif  // KEZ_CLI_JOB_ERRORS_H_
