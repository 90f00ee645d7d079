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
