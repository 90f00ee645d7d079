# What a Qt program needs beside it on Windows. Qt is a shared build there, so that a user may put
# other builds of its DLLs in their place; Qt's DLLs and the program share the compiler's runtime
# DLLs, so that one unwinder knows every module's frames (a program linked statically against the
# runtime would carry a second one). The platform and style plugins go in the subfolders Qt looks
# for beside the program.
#
# kez_windows_qt_runtime(<dlls-var> <plugins-var>): the files, as generator expressions; each
# plugin entry is "<subfolder>|<file>".
# kez_deploy_windows_qt_runtime(<target>): copies them beside <target> after each build.

function(kez_windows_qt_runtime dlls_var plugins_var)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)  # their targets, in this folder
  set(dlls)
  foreach(module Core Gui Widgets Network)
    list(APPEND dlls "$<TARGET_FILE:Qt6::${module}>")
  endforeach()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(gcc_runtime libgcc_s_dw2-1.dll)
  else()
    set(gcc_runtime libgcc_s_seh-1.dll)
  endif()
  foreach(name libstdc++-6.dll ${gcc_runtime} libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
      message(FATAL_ERROR "The compiler's runtime ${name} was not found")
    endif()
    list(APPEND dlls "${file}")
  endforeach()
  set(plugins
    "platforms|$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
    "styles|$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>")
  set(${dlls_var} "${dlls}" PARENT_SCOPE)
  set(${plugins_var} "${plugins}" PARENT_SCOPE)
endfunction()

function(kez_deploy_windows_qt_runtime target)
  kez_windows_qt_runtime(dlls plugins)
  if(TARGET Qt6::Test)  # the window tests
    list(APPEND dlls "$<TARGET_FILE:Qt6::Test>")
  endif()
  # The window tests run on the offscreen platform.
  list(APPEND plugins "platforms|$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>")
  set(commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} "$<TARGET_FILE_DIR:${target}>")
  foreach(entry ${plugins})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 folder)
    list(GET parts 1 file)
    list(APPEND commands
      COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${target}>/${folder}"
      COMMAND ${CMAKE_COMMAND} -E copy_if_different "${file}" "$<TARGET_FILE_DIR:${target}>/${folder}")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
endfunction()

# Qt programs link the runtime dynamically (see above): the toolchain's -static is for the
# programs without Qt. Called in the folders that build Qt programs; affects that folder only.
macro(kez_link_runtime_shared)
  string(REPLACE "-static" "" CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS}")
endmacro()
