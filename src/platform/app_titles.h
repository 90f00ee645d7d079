// The titles the system's message boxes carry, shared by every layer that shows one.
#ifndef KEZ_PLATFORM_APP_TITLES_H_
#define KEZ_PLATFORM_APP_TITLES_H_

namespace kez {

// The application title: every message box that names no title of its own carries it.
inline constexpr const char* kApplicationTitle = "KEZ Marketing Portal";
// The program's product name: the title of the data layer's Yes/No questions.
inline constexpr const char* kProductName = "KEZ Data Aggregator";
// The title of the record layer's error messages.
inline constexpr const char* kDbsmTitle = "KEZ DBSM System";

}  // namespace kez

#endif  // KEZ_PLATFORM_APP_TITLES_H_
