// The record engine of a command that reads data without the program's start-up (dump through a
// dictionary or the record layer).
#ifndef KEZ_CLI_ENGINE_OPTION_H_
#define KEZ_CLI_ENGINE_OPTION_H_

#include <memory>

#include "btrieve/engine.h"
#include "cli/global_options.h"

namespace kez::cli {

// The engine --engine asks for, else the one [Engine] in KEZDataAggregator.ini of the program
// folder asks for (auto without one). Quiet when it serves (the output is the data); on an error
// says why on standard error and returns nullptr.
std::shared_ptr<btrieve::Engine> CommandEngine(const GlobalOptions& options);

}  // namespace kez::cli

#endif  // KEZ_CLI_ENGINE_OPTION_H_
