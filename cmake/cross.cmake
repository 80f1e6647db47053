# SPDX-License-Identifier: ISC
# Cross builds (cmake/toolchains/): GoogleTest built from source, and the
# project's programs run under the emulator when a test starts them as a
# process.
#
# Included before any target exists, so that find_package(GTest) in the test
# directories finds the GoogleTest built here.

# No Debian package carries GoogleTest built for another architecture, so a
# cross build compiles it from the sources that libgtest-dev installs.
if(CMAKE_CROSSCOMPILING AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(relaywatch_gtest_default /usr/src/googletest)
else()
  set(relaywatch_gtest_default "")
endif()
set(RELAYWATCH_GTEST_SOURCE "${relaywatch_gtest_default}" CACHE PATH
    "GoogleTest sources to build the tests with (default in cross builds); empty: the installed GoogleTest")

if(BUILD_TESTING AND RELAYWATCH_GTEST_SOURCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # GoogleTest is built with its own warning flags, not with this project's
  # -Werror set: save and clear the directory's options around it.
  get_directory_property(relaywatch_saved_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory("${RELAYWATCH_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${relaywatch_saved_options}")
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # find_package(GTest) then finds these targets, not a host copy.
  file(WRITE "${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake"
       "# GoogleTest is built from source in this tree (RELAYWATCH_GTEST_SOURCE).\n")
endif()

# relaywatch_program_path(<variable> <target>)
# Sets <variable> to the command that starts the project's program <target>
# as a process: the built file, or in a cross build a small launcher script
# that runs it under CMAKE_CROSSCOMPILING_EMULATOR. What the program itself
# starts (/bin/sh, the tools) is the build machine's; qemu hands those
# straight to the kernel.
function(relaywatch_program_path var target)
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(launcher "${CMAKE_BINARY_DIR}/emulated/${target}")
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "' '" emulator)
    file(GENERATE OUTPUT "${launcher}"
         CONTENT "#!/bin/sh\n# ${target}, cross-built, run under the emulator.\nexec '${emulator}' '$<TARGET_FILE:${target}>' \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE)
    set(${var} "${launcher}" PARENT_SCOPE)
  else()
    set(${var} "$<TARGET_FILE:${target}>" PARENT_SCOPE)
  endif()
endfunction()
