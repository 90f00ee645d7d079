// The exit codes of the system's processes, the same for the tray program and kezagg.
#ifndef KEZ_PLATFORM_EXIT_CODES_H_
#define KEZ_PLATFORM_EXIT_CODES_H_

namespace kez {

// Ended by the user (the tray menu's Exit), or a command that did its work.
inline constexpr int kExitNormal = 0;
// The program ended itself: a fatal record engine status, an unknown field, a data path that
// cannot be reached or defined, a table that cannot be opened.
inline constexpr int kExitStopped = 1;
// Another copy of the program runs on this machine.
inline constexpr int kExitAlreadyRunning = 3;

}  // namespace kez

#endif  // KEZ_PLATFORM_EXIT_CODES_H_
