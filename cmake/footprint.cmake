# The size-optimised release build and what goes with putting the daemon on a
# router: MinSizeRel flags, stripping at install, the init scripts, the
# footprint checks, and GoogleTest from source for cross builds.
#
# Included by the top-level CMakeLists.txt before the targets exist; what
# needs the targets runs deferred, at the end of the top-level directory.
#
#   cmake -S . -B build-size -DCMAKE_BUILD_TYPE=MinSizeRel
#   cmake --build build-size -j2 && ctest --test-dir build-size -R footprint
#
# Every flag here changes only how the program is laid out, never what it
# does.

include(CheckLinkerFlag)

# --- every target in MinSizeRel --------------------------------------------

# -Os comes with CMake's MinSizeRel; put every function and object in its own
# section so that the linker drops what nothing references.
add_compile_options($<$<CONFIG:MinSizeRel>:-ffunction-sections>
                    $<$<CONFIG:MinSizeRel>:-fdata-sections>)
add_link_options($<$<CONFIG:MinSizeRel>:-Wl,--gc-sections>)

# Fixed-address executables, as firmware for small routers is usually built:
# position-independent code reaches its data and the C library through the
# GOT and, on MIPS, sets up the GOT pointer in every function, which makes
# the daemon about 5 % (x86-64) and 18 % (MIPS, with the PLT calls below)
# larger. What it costs: the daemon's own image (code, GOT, data) is not
# placed at a random address; the C library, stack and heap still are.
# RELAYWATCH_SIZE_PIE=ON keeps position-independent executables (and their
# larger budget below).
option(RELAYWATCH_SIZE_PIE "MinSizeRel: position-independent executables (randomised image, larger)" OFF)
if(NOT RELAYWATCH_SIZE_PIE)
  add_compile_options($<$<CONFIG:MinSizeRel>:-fno-pie>)
  add_link_options($<$<CONFIG:MinSizeRel>:-no-pie>)
  # MIPS: calls into the C library through PLT entries (a direct jal)
  # instead of loading each address from the GOT first, as toolchains for
  # MIPS firmware do by default; needs a dynamic loader with MIPS PLT
  # support (glibc 2.9 and later, musl).
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^mips" AND
     (CMAKE_CONFIGURATION_TYPES OR CMAKE_BUILD_TYPE STREQUAL "MinSizeRel"))
    include(CheckCXXCompilerFlag)
    check_cxx_compiler_flag(-mplt RELAYWATCH_CXX_MIPS_PLT)
    if(RELAYWATCH_CXX_MIPS_PLT)
      add_compile_options($<$<CONFIG:MinSizeRel>:-mplt>)
    endif()
  endif()
endif()

# --- the daemon in MinSizeRel ----------------------------------------------

# Compiled into the daemon's own code:
#   -Oz where the compiler has it (GCC 12, Clang): -Os and smaller still;
#   no unwind tables: the daemon's code throws nothing and is built without
#     exceptions, so nothing ever unwinds through it;
#   calls into the C library through the GOT instead of a PLT: smaller, and
#     every symbol is bound at start-up instead of at first call.
set(RELAYWATCH_SIZE_COMPILE_FLAGS
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-plt)

# Linked into the daemon, each when the linker takes it:
#   -z noseparate-code: code and read-only data share pages instead of each
#     being padded to a page of its own (about 8 KiB of padding in the file);
#   -z pack-relative-relocs: the relative relocations of a position-
#     independent executable as a compact bitmap (needs a C library that
#     reads it; the check below links against the one in use);
#   --no-eh-frame-hdr: no lookup table for unwinding, which nothing in the
#     daemon does;
#   --build-id=none: no build-id note (it only matches a stripped file to
#     its debug information; keep the unstripped build for that).
option(RELAYWATCH_PACK_RELOCS
       "MinSizeRel: pack the daemon's relative relocations (-z pack-relative-relocs)" ON)
# Link-time optimisation of the daemon's own libraries: the whole program is
# small, and seeing it whole lets the compiler drop and merge more.
option(RELAYWATCH_SIZE_LTO "MinSizeRel: link-time optimisation of the daemon" ON)

# The probes cost a few test links; only builds that can be MinSizeRel pay.
if(CMAKE_CONFIGURATION_TYPES OR CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  set(relaywatch_size_build ON)
else()
  set(relaywatch_size_build OFF)
endif()

set(RELAYWATCH_SIZE_LINK_FLAGS "")
if(relaywatch_size_build)
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-Oz RELAYWATCH_CXX_OZ)
  if(RELAYWATCH_CXX_OZ)
    list(PREPEND RELAYWATCH_SIZE_COMPILE_FLAGS -Oz)
  endif()
  # The daemon does no floating point: on x86-64 this spares every variadic
  # function (the log and command formatters) the saving of eight vector
  # registers in its prologue. A use of floating point fails to compile.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    check_cxx_compiler_flag(-mgeneral-regs-only RELAYWATCH_CXX_GENERAL_REGS_ONLY)
    if(RELAYWATCH_CXX_GENERAL_REGS_ONLY)
      list(APPEND RELAYWATCH_SIZE_COMPILE_FLAGS -mgeneral-regs-only)
    endif()
  endif()
  # A linker that does not know a -z keyword only warns: make that fail.
  check_linker_flag(CXX "-Wl,--fatal-warnings,-z,noseparate-code" RELAYWATCH_LD_NOSEPARATE_CODE)
  if(RELAYWATCH_LD_NOSEPARATE_CODE)
    list(APPEND RELAYWATCH_SIZE_LINK_FLAGS "-Wl,-z,noseparate-code")
  endif()
  check_linker_flag(CXX "-Wl,--fatal-warnings,--no-eh-frame-hdr,--build-id=none" RELAYWATCH_LD_NO_NOTES)
  if(RELAYWATCH_LD_NO_NOTES)
    list(APPEND RELAYWATCH_SIZE_LINK_FLAGS "-Wl,--no-eh-frame-hdr" "-Wl,--build-id=none")
  endif()
  if(RELAYWATCH_PACK_RELOCS)
    check_linker_flag(CXX "-Wl,--fatal-warnings,-z,pack-relative-relocs" RELAYWATCH_LD_PACK_RELOCS)
    if(RELAYWATCH_LD_PACK_RELOCS)
      list(APPEND RELAYWATCH_SIZE_LINK_FLAGS "-Wl,-z,pack-relative-relocs")
    endif()
  endif()
endif()

if(relaywatch_size_build AND RELAYWATCH_SIZE_LTO)
  include(CheckIPOSupported)
  check_ipo_supported(RESULT RELAYWATCH_IPO_SUPPORTED OUTPUT relaywatch_ipo_output LANGUAGES CXX)
  if(NOT RELAYWATCH_IPO_SUPPORTED)
    message(STATUS "relaywatch: no link-time optimisation here: ${relaywatch_ipo_output}")
  endif()
endif()

# --- binutils of the toolchain in use --------------------------------------

# CMake finds strip and readelf of the toolchain; `size` sits beside strip
# with the same prefix (mips-linux-gnu-strip, mips-linux-gnu-size).
if(CMAKE_STRIP)
  get_filename_component(relaywatch_strip_dir "${CMAKE_STRIP}" DIRECTORY)
  get_filename_component(relaywatch_strip_name "${CMAKE_STRIP}" NAME)
  string(REGEX REPLACE "strip$" "size" relaywatch_size_name "${relaywatch_strip_name}")
  find_program(RELAYWATCH_SIZE_TOOL NAMES ${relaywatch_size_name} size
               HINTS "${relaywatch_strip_dir}" NO_CMAKE_FIND_ROOT_PATH)
endif()

# --- GoogleTest from source (cross builds) ---------------------------------

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
  # find_package(GTest) in tests/ then finds these targets, not a host copy.
  file(WRITE "${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/gtest-config.cmake"
       "# GoogleTest is built from source in this tree (RELAYWATCH_GTEST_SOURCE).\n")
endif()

# --- init scripts -----------------------------------------------------------

# Installed under the system configuration directory: /etc with the usual
# prefix /usr (DESTDIR=rootfs cmake --install build puts them in rootfs/etc).
include(GNUInstallDirs)
set(RELAYWATCH_INIT_SCRIPT "" CACHE STRING
    "Init script installed as init.d/relaywatch: procd, sysv or empty for none")
set_property(CACHE RELAYWATCH_INIT_SCRIPT PROPERTY STRINGS "" procd sysv)
if(RELAYWATCH_INIT_SCRIPT STREQUAL "procd")
  install(PROGRAMS packaging/procd/relaywatch DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d)
  install(FILES packaging/procd/relaywatch.config DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/config
          RENAME relaywatch)
elseif(RELAYWATCH_INIT_SCRIPT STREQUAL "sysv")
  install(PROGRAMS packaging/sysv/relaywatch DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d)
  install(FILES packaging/sysv/relaywatch.default DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default
          RENAME relaywatch)
elseif(RELAYWATCH_INIT_SCRIPT)
  message(FATAL_ERROR "RELAYWATCH_INIT_SCRIPT must be procd, sysv or empty, not '${RELAYWATCH_INIT_SCRIPT}'")
endif()

# --- what needs the targets --------------------------------------------------

# The size checks hold for x86-64, MIPS (either byte order) and 32-bit ARM
# (GCC 12, glibc): the figures measured there (docs/footprint.md) and about
# 2.5 % on top. On other targets the checks report the figures and test only
# the dependencies.
set(RELAYWATCH_MAX_FILE_BYTES "" CACHE STRING "Most bytes of the stripped daemon (empty: no limit)")
set(RELAYWATCH_MAX_TEXT_DATA_BYTES "" CACHE STRING "Most bytes of the daemon's text plus data (empty: no limit)")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  if(RELAYWATCH_SIZE_PIE)
    set(relaywatch_budget 13800 19000)   # text + data, stripped file
  else()
    set(relaywatch_budget 13200 18600)
  endif()
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^mips(el)?$")
  if(RELAYWATCH_SIZE_PIE)
    set(relaywatch_budget 18200 20100)
  else()
    set(relaywatch_budget 15500 17400)
  endif()
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "arm")
  if(RELAYWATCH_SIZE_PIE)
    set(relaywatch_budget 11300 14200)
  else()
    set(relaywatch_budget 10500 14100)
  endif()
else()
  set(relaywatch_budget "")
endif()
if(relaywatch_budget)
  list(GET relaywatch_budget 0 relaywatch_budget_text_data)
  list(GET relaywatch_budget 1 relaywatch_budget_file)
  if(RELAYWATCH_MAX_TEXT_DATA_BYTES STREQUAL "")
    set(RELAYWATCH_MAX_TEXT_DATA_BYTES ${relaywatch_budget_text_data})
  endif()
  if(RELAYWATCH_MAX_FILE_BYTES STREQUAL "")
    set(RELAYWATCH_MAX_FILE_BYTES ${relaywatch_budget_file})
  endif()
endif()

# Points the program definitions of the targets in `dir` and below at
# launchers that run the programs under CMAKE_CROSSCOMPILING_EMULATOR.
function(relaywatch_emulated_programs dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(defs ${t} COMPILE_DEFINITIONS)
    if(NOT defs)
      continue()
    endif()
    set(changed FALSE)
    set(new_defs "")
    foreach(def IN LISTS defs)
      if(def MATCHES "^([A-Za-z_0-9]+)=\"?\\$<TARGET_FILE:([^>]+)>\"?$")
        set(name ${CMAKE_MATCH_1})
        set(program ${CMAKE_MATCH_2})
        set(launcher "${CMAKE_BINARY_DIR}/emulated/${program}")
        list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "' '" emulator)
        file(GENERATE OUTPUT "${launcher}"
             CONTENT "#!/bin/sh\n# ${program}, cross-built, run under the emulator.\nexec '${emulator}' '$<TARGET_FILE:${program}>' \"$@\"\n"
             FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                              WORLD_READ WORLD_EXECUTE)
        set(def "${name}=\"${launcher}\"")
        set(changed TRUE)
      endif()
      list(APPEND new_defs "${def}")
    endforeach()
    if(changed)
      set_property(TARGET ${t} PROPERTY COMPILE_DEFINITIONS "${new_defs}")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    relaywatch_emulated_programs(${sub})
  endforeach()
endfunction()

function(relaywatch_footprint_targets)
  set(daemon_parts relaywatch relaywatch_core relaywatch_host relaywatch_store)
  foreach(t IN LISTS daemon_parts)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE
          "$<$<CONFIG:MinSizeRel>:${RELAYWATCH_SIZE_COMPILE_FLAGS}>")
      if(RELAYWATCH_SIZE_LTO AND RELAYWATCH_IPO_SUPPORTED)
        set_property(TARGET ${t} PROPERTY INTERPROCEDURAL_OPTIMIZATION_MINSIZEREL ON)
      endif()
    endif()
  endforeach()
  if(NOT TARGET relaywatch)
    return()
  endif()
  target_link_options(relaywatch PRIVATE "$<$<CONFIG:MinSizeRel>:${RELAYWATCH_SIZE_LINK_FLAGS}>")

  # In a cross build the tests that start one of the project's programs as a
  # process (a compile definition NAME="$<TARGET_FILE:program>") start it
  # through the emulator: a small launcher script takes the program's place.
  # What the program itself starts (/bin/sh, the tools) is the build
  # machine's; qemu hands those straight to the kernel.
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    relaywatch_emulated_programs(${CMAKE_SOURCE_DIR})
  endif()

  # Stripped at install in MinSizeRel (any build type: cmake --install --strip).
  if(CMAKE_STRIP)
    install(CODE "
      if(CMAKE_INSTALL_CONFIG_NAME STREQUAL \"MinSizeRel\")
        set(relaywatch_installed \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sbin/relaywatch\")
        message(STATUS \"Stripping: \${relaywatch_installed}\")
        execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${relaywatch_installed}\"
                        RESULT_VARIABLE relaywatch_strip_rc)
        if(NOT relaywatch_strip_rc EQUAL 0)
          message(FATAL_ERROR \"strip failed on \${relaywatch_installed}\")
        endif()
      endif()")
  endif()

  # The footprint checks read the built file; they run in MinSizeRel builds.
  if(BUILD_TESTING AND CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
    # The C library, and with a store library the store library as well.
    # One regular expression: a list would be split on the command line.
    set(allowed "^libc\\.so(\\.[0-9]+)?$")
    if(RELAYWATCH_NVRAM_LIBRARY)
      get_filename_component(store_name "${RELAYWATCH_NVRAM_LIBRARY}" NAME_WE)
      string(REGEX REPLACE "^lib" "" store_name "${store_name}")
      string(APPEND allowed "|^lib${store_name}\\.so")
    endif()
    add_test(NAME footprint.size
             COMMAND ${CMAKE_COMMAND}
                     -DDAEMON=$<TARGET_FILE:relaywatch>
                     -DSTRIPPED=${CMAKE_BINARY_DIR}/relaywatch.stripped
                     -DSTRIP=${CMAKE_STRIP}
                     -DSIZE=${RELAYWATCH_SIZE_TOOL}
                     -DMAX_FILE=${RELAYWATCH_MAX_FILE_BYTES}
                     -DMAX_TEXT_DATA=${RELAYWATCH_MAX_TEXT_DATA_BYTES}
                     -P ${PROJECT_SOURCE_DIR}/cmake/footprint_check.cmake)
    add_test(NAME footprint.dependencies
             COMMAND ${CMAKE_COMMAND}
                     -DDAEMON=$<TARGET_FILE:relaywatch>
                     -DREADELF=${CMAKE_READELF}
                     "-DALLOWED=${allowed}"
                     -P ${PROJECT_SOURCE_DIR}/cmake/footprint_check.cmake)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL relaywatch_footprint_targets)
