// The data path of a kezagg command: the --data-path option when given, otherwise the data
// location stored for the user (kezagg datapath set), as the program itself reads it at start-up.
#ifndef KEZ_CLI_DATA_PATH_OPTION_H_
#define KEZ_CLI_DATA_PATH_OPTION_H_

#include <optional>
#include <string>

namespace kez::cli {

// `option` when not empty; otherwise the stored data path without blanks around it and without a
// final separator. Returns nullopt, with `error` saying what to do, when neither gives one.
std::optional<std::string> ResolveDataPath(const std::string& option, std::string* error);

}  // namespace kez::cli

#endif  // KEZ_CLI_DATA_PATH_OPTION_H_
