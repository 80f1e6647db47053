# SPDX-License-Identifier: ISC
# The size-optimised build (MinSizeRel). Every flag here changes only how the
# program is laid out, never what it does.
#
#   cmake -S . -B build-size -DCMAKE_BUILD_TYPE=MinSizeRel
#
# Included before any target exists: the section flags reach every target.
# The daemon's own flags are applied by relaywatch_optimise_for_size().

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

option(RELAYWATCH_PACK_RELOCS
       "MinSizeRel: pack the daemon's relative relocations (-z pack-relative-relocs)" ON)
option(RELAYWATCH_SIZE_LTO "MinSizeRel: link-time optimisation of the daemon" ON)

# -Os comes with CMake's MinSizeRel; put every function and object in its own
# section so that the linker drops what nothing references.
add_compile_options($<$<CONFIG:MinSizeRel>:-ffunction-sections>
                    $<$<CONFIG:MinSizeRel>:-fdata-sections>)
add_link_options($<$<CONFIG:MinSizeRel>:-Wl,--gc-sections>)

# Position independence is a defence, kept in every build type: the
# fixed-address trade that saves its bytes is RELAYWATCH_FIXED_ADDRESS, with
# the other defences in cmake/hardening.cmake.

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
#     reads it; the probe links against the one in use);
#   --no-eh-frame-hdr: no lookup table for unwinding, which nothing in the
#     daemon does;
#   --build-id=none: no build-id note (it only matches a stripped file to
#     its debug information; keep the unstripped build for that);
#   -z nodynamic-undefined-weak (x86): the C library's start files refer
#     weakly to profiling and transactional-memory hooks that the daemon
#     never has; resolved to nothing at the link, as the start files expect
#     of them, rather than left for the dynamic loader: three imports fewer.
set(RELAYWATCH_SIZE_LINK_FLAGS "")

# The probes cost a few test links; only builds that can be MinSizeRel pay.
if(CMAKE_CONFIGURATION_TYPES OR CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  check_cxx_compiler_flag(-Oz RELAYWATCH_CXX_OZ)
  if(RELAYWATCH_CXX_OZ)
    list(PREPEND RELAYWATCH_SIZE_COMPILE_FLAGS -Oz)
  endif()
  # The daemon does no floating point: on x86-64 this spares every variadic
  # function (the log and command formatters) the saving of eight vector
  # registers in its prologue. A use of floating point fails to compile.
  # Probed with a C++ library header: Clang 14 takes the flag but then
  # rejects libstdc++'s long double overloads.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS -mgeneral-regs-only)
    check_cxx_source_compiles([[
      #include <string_view>
      int main() { return static_cast<int>(std::string_view("x").size()) - 1; }
    ]] RELAYWATCH_CXX_GENERAL_REGS_ONLY)
    unset(CMAKE_REQUIRED_FLAGS)
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
  check_linker_flag(CXX "-Wl,--fatal-warnings,-z,nodynamic-undefined-weak" RELAYWATCH_LD_NO_DYNAMIC_WEAK)
  if(RELAYWATCH_LD_NO_DYNAMIC_WEAK)
    list(APPEND RELAYWATCH_SIZE_LINK_FLAGS "-Wl,-z,nodynamic-undefined-weak")
  endif()
  # Not in a static daemon: a static PIE relocates itself with the C
  # library's start code, which the probe's link cannot vouch for (musl's
  # reads packed relocations only from 1.2.4 on; Debian 12 has 1.2.3).
  if(RELAYWATCH_PACK_RELOCS AND NOT RELAYWATCH_STATIC)
    check_linker_flag(CXX "-Wl,--fatal-warnings,-z,pack-relative-relocs" RELAYWATCH_LD_PACK_RELOCS)
    if(RELAYWATCH_LD_PACK_RELOCS)
      list(APPEND RELAYWATCH_SIZE_LINK_FLAGS "-Wl,-z,pack-relative-relocs")
    endif()
  endif()
  # Link-time optimisation of the daemon's own libraries: the whole program
  # is small, and seeing it whole lets the compiler drop and merge more.
  if(RELAYWATCH_SIZE_LTO)
    include(CheckIPOSupported)
    check_ipo_supported(RESULT RELAYWATCH_IPO_SUPPORTED OUTPUT relaywatch_ipo_output LANGUAGES CXX)
    if(NOT RELAYWATCH_IPO_SUPPORTED)
      message(STATUS "relaywatch: no link-time optimisation here: ${relaywatch_ipo_output}")
    endif()
  endif()
endif()

# relaywatch_optimise_for_size(<executable> [<library>...])
# The daemon's size flags, in MinSizeRel, for the executable and the
# libraries of its own that it links; the link flags for the executable.
function(relaywatch_optimise_for_size executable)
  foreach(t IN ITEMS ${executable} ${ARGN})
    target_compile_options(${t} PRIVATE "$<$<CONFIG:MinSizeRel>:${RELAYWATCH_SIZE_COMPILE_FLAGS}>")
    if(RELAYWATCH_SIZE_LTO AND RELAYWATCH_IPO_SUPPORTED)
      set_property(TARGET ${t} PROPERTY INTERPROCEDURAL_OPTIMIZATION_MINSIZEREL ON)
    endif()
  endforeach()
  # Link-time optimisation compiles the code again at the link, where the
  # flags given for the link count: without these, a `-g` there (a
  # packager's CXXFLAGS) brings back every function's unwind table (about
  # 1.5 KB on x86-64).
  target_link_options(${executable} PRIVATE
                      "$<$<CONFIG:MinSizeRel>:-fno-asynchronous-unwind-tables;-fno-unwind-tables>"
                      "$<$<CONFIG:MinSizeRel>:${RELAYWATCH_SIZE_LINK_FLAGS}>")
endfunction()
