# Warning and sanitizer flags shared by every target of the project (kez_options interface target).
add_library(kez_options INTERFACE)
target_compile_options(kez_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion)
if(KEZ_WERROR)
  target_compile_options(kez_options INTERFACE -Werror)
endif()
if(KEZ_SANITIZE)
  target_compile_options(kez_options INTERFACE -fsanitize=address,undefined
                                               -fno-sanitize-recover=undefined
                                               -fno-omit-frame-pointer)
  target_link_options(kez_options INTERFACE -fsanitize=address,undefined)
endif()
# At -O2 and above g++ 12 takes some std::string assignments for overlapping copies (GCC bug
# 105329) and some vector comparisons for reads past any object: false reports that -Werror would
# turn into a failed optimised build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(kez_options INTERFACE -Wno-restrict -Wno-stringop-overread)
endif()
