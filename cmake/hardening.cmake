# SPDX-License-Identifier: ISC
# Sanitizer and fuzzing builds, and the daemon's defences (below). Included
# before any target is defined, so the sanitizer flags set here reach every
# target: the core, the daemon, the tests, the simulator and the fuzz
# targets.
#
#   RELAYWATCH_SANITIZE=ON  AddressSanitizer (LeakSanitizer included) and
#                           UndefinedBehaviorSanitizer, halting at the first
#                           report. GCC or Clang.
#   RELAYWATCH_FUZZ=ON      libFuzzer executables fuzz_<target> (fuzz/), with
#                           everything else instrumented for coverage, ASan and
#                           UBSan. Clang only.
#
# UBSan's vptr check needs RTTI, which the daemon's code is built without;
# it is switched off everywhere (nothing here has virtual functions).

option(RELAYWATCH_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(RELAYWATCH_FUZZ "Build the libFuzzer targets in fuzz/ (Clang)" OFF)

set(RELAYWATCH_SANITIZER_FLAGS
    -fsanitize=address,undefined
    -fno-sanitize=vptr
    -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

if(RELAYWATCH_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "RELAYWATCH_FUZZ=ON needs Clang (libFuzzer), e.g. -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Coverage instrumentation for libFuzzer in every object; only the fuzz
  # executables link libFuzzer's main (fuzz/CMakeLists.txt).
  add_compile_options(-fsanitize=fuzzer-no-link ${RELAYWATCH_SANITIZER_FLAGS})
  add_link_options(${RELAYWATCH_SANITIZER_FLAGS})
elseif(RELAYWATCH_SANITIZE)
  add_compile_options(${RELAYWATCH_SANITIZER_FLAGS})
  add_link_options(${RELAYWATCH_SANITIZER_FLAGS})
endif()

# --- the daemon's defences ------------------------------------------------------
#
# relaywatch runs as root and parses text that anyone within radio range
# controls. Its own targets (the daemon and the libraries of its own that it
# links) get, in every build type, the defences distributions give the
# daemons they ship (relaywatch_harden(), called beside
# relaywatch_optimise_for_size()):
#
#   position-independent executable   -fPIE, -pie (-static-pie when linked
#                                     statically): the image at a random
#                                     address, like the C library, stack and
#                                     heap
#   full RELRO                        -z relro -z now: every symbol bound at
#                                     start-up, the GOT read-only after it
#   stack protector                   -fstack-protector-strong
#   fortified C library calls         -D_FORTIFY_SOURCE=2 where the build
#                                     optimises and the C library has them
#                                     (glibc; musl has none): the buffer
#                                     bounds the compiler knows checked in
#                                     memcpy, snprintf, read...
#   non-executable stack              -z noexecstack
#
# A packager's flags come first and are never undone: CMake takes CXXFLAGS
# (debhelper appends CPPFLAGS to it) into CMAKE_CXX_FLAGS and LDFLAGS into
# CMAKE_EXE_LINKER_FLAGS, and the project's options follow them on the
# command line. Where those flags (or the build type's flags) already say
# something about a defence, on or off, that defence is the packager's and
# nothing is added for it: a `-D_FORTIFY_SOURCE=3` stays 3, a
# `-fstack-protector-all` stays, a `-fno-pie` is not followed by -fPIE.
# A compiler that defines _FORTIFY_SOURCE by itself (Ubuntu's) keeps its own.
#
# The sanitizer and fuzz builds leave FORTIFY out: AddressSanitizer checks
# the same calls itself and does not see through the fortified ones.
#
#   RELAYWATCH_FIXED_ADDRESS=ON  the small-flash trade: fixed-address
#                                executables (-fno-pie, -no-pie; on MIPS
#                                calls through PLT entries). Gives up the
#                                randomised image and nothing else: the
#                                other defences stay.
#                                docs/packaging.md ("Hardening") says
#                                what it saves.

include(CheckCXXCompilerFlag)
include(CheckCXXSourceCompiles)
include(CheckLinkerFlag)

option(RELAYWATCH_FIXED_ADDRESS
       "Fixed-address executables (non-PIE): smaller, without a randomised image; the other defences stay" OFF)
if(DEFINED RELAYWATCH_SIZE_PIE)
  message(WARNING "relaywatch: RELAYWATCH_SIZE_PIE is gone: every build type is position-independent "
                  "unless RELAYWATCH_FIXED_ADDRESS=ON")
endif()

# relaywatch_flags_say(<variable> <flags> <regex>)
# Sets <variable> to TRUE when a word of the command-line flags <flags>
# matches <regex>; -Wl,/-Wp, lists count word by word (-Wl,-z,relro gives
# -z and relro).
function(relaywatch_flags_say var flags regex)
  separate_arguments(words UNIX_COMMAND "${flags}")
  string(REPLACE "," ";" words "${words}")
  set(said FALSE)
  foreach(word IN LISTS words)
    if(word MATCHES "${regex}")
      set(said TRUE)
      break()
    endif()
  endforeach()
  set(${var} ${said} PARENT_SCOPE)
endfunction()

# What each defence looks like on a command line, on or off.
# Position independence on and off apart: a packager's -fPIC alone still
# gets -pie at the link, a -fno-pie alone gets nothing (dpkg-buildflags'
# hardening=-pie hands GCC driver files that turn it off).
set(relaywatch_say_pie_on_compile "^-f(pie|PIE|pic|PIC)$")
set(relaywatch_say_pie_off_compile "^(-fno-(pie|PIE|pic|PIC)|-specs=.*no-pie-compile\\.specs)$")
set(relaywatch_say_pie_on_link "^-(pie|static-pie)$")
set(relaywatch_say_pie_off_link "^(-no-pie|-nopie|-specs=.*no-pie-link\\.specs)$")
set(relaywatch_say_protector "^-f(no-)?stack-protector")
set(relaywatch_say_fortify "^-[DU]_FORTIFY_SOURCE")
set(relaywatch_say_relro "^(-z)?(no)?relro$")
set(relaywatch_say_now "^(-z)?(now|lazy)$")
set(relaywatch_say_execstack "^(-z)?(no)?execstack$")

# What this toolchain can do. A linker that does not know a -z keyword only
# warns: make that fail.
check_cxx_compiler_flag(-fPIE RELAYWATCH_CXX_PIE)
if(RELAYWATCH_STATIC)
  # A static daemon (cmake/toolchains/musl.cmake) is position-independent
  # as a static PIE, which relocates itself at start-up, where the toolchain
  # file says its C library's start files can (RELAYWATCH_STATIC_PIE).
  if(RELAYWATCH_STATIC_PIE)
    check_linker_flag(CXX -static-pie RELAYWATCH_LD_PIE)
  else()
    set(RELAYWATCH_LD_PIE FALSE)
  endif()
else()
  check_linker_flag(CXX -pie RELAYWATCH_LD_PIE)
endif()
check_linker_flag(CXX "-Wl,--fatal-warnings,-z,relro,-z,now" RELAYWATCH_LD_RELRO_NOW)
check_linker_flag(CXX "-Wl,--fatal-warnings,-z,noexecstack" RELAYWATCH_LD_NOEXECSTACK)
# The protector needs the C library's __stack_chk_fail: link a function it
# guards.
set(CMAKE_REQUIRED_FLAGS -fstack-protector-strong)
check_cxx_source_compiles([[
  #include <cstring>
  int copy(const char *s) { char b[64]; std::strcpy(b, s); return b[1]; }
  int main(int argc, char **argv) { return argc > 1 ? copy(argv[1]) : 0; }
]] RELAYWATCH_CXX_STACK_PROTECTOR)
# FORTIFY where the C library has fortified calls (glibc, uClibc-ng), and
# only when the compiler does not define it by itself.
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles([[
  #include <cstring>
  #ifndef _FORTIFY_SOURCE
  #error not defined by the compiler
  #endif
  int main() { return 0; }
]] RELAYWATCH_CXX_FORTIFY_PREDEFINED)
set(CMAKE_REQUIRED_FLAGS "-O2 -D_FORTIFY_SOURCE=2")
check_cxx_source_compiles([[
  #include <cstring>
  #if !defined __USE_FORTIFY_LEVEL || __USE_FORTIFY_LEVEL < 2
  #error no fortified calls in this C library
  #endif
  int main() { return 0; }
]] RELAYWATCH_LIBC_FORTIFY)
unset(CMAKE_REQUIRED_FLAGS)

# The configurations this build can be: one, or a multi-config generator's.
if(CMAKE_CONFIGURATION_TYPES)
  set(relaywatch_configs ${CMAKE_CONFIGURATION_TYPES})
else()
  set(relaywatch_configs "${CMAKE_BUILD_TYPE}")
endif()

# Per configuration, from the flags it is given: the daemon's compile and
# link options, as generator expressions.
set(RELAYWATCH_HARDEN_COMPILE_OPTIONS "")
set(RELAYWATCH_HARDEN_LINK_OPTIONS "")
foreach(config IN LISTS relaywatch_configs)
  string(TOUPPER "${config}" upper)
  set(given_compile "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${upper}}")
  set(given_link "${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_EXE_LINKER_FLAGS_${upper}}")
  foreach(defence IN ITEMS pie_on_compile pie_off_compile protector fortify)
    relaywatch_flags_say(given_${defence} "${given_compile}" "${relaywatch_say_${defence}}")
  endforeach()
  foreach(defence IN ITEMS pie_on_link pie_off_link relro now execstack)
    relaywatch_flags_say(given_${defence} "${given_link}" "${relaywatch_say_${defence}}")
  endforeach()
  set(given_pie_on FALSE)
  if(given_pie_on_compile OR given_pie_on_link)
    set(given_pie_on TRUE)
  endif()
  set(given_pie_off FALSE)
  if(given_pie_off_compile OR given_pie_off_link)
    set(given_pie_off TRUE)
  endif()
  # Optimised: the last -O given is not -O0 (MinSizeRel adds -Oz itself).
  separate_arguments(words UNIX_COMMAND "${given_compile}")
  set(level "")
  foreach(word IN LISTS words)
    if(word MATCHES "^-O")
      set(level "${word}")
    endif()
  endforeach()
  if(config STREQUAL "MinSizeRel" OR (level AND NOT level STREQUAL "-O0"))
    set(optimised TRUE)
  else()
    set(optimised FALSE)
  endif()

  set(compile "")
  set(link "")
  if(NOT RELAYWATCH_FIXED_ADDRESS AND NOT given_pie_off AND RELAYWATCH_CXX_PIE AND RELAYWATCH_LD_PIE)
    if(NOT given_pie_on_compile)
      list(APPEND compile -fPIE)
    endif()
    if(NOT given_pie_on_link AND NOT RELAYWATCH_STATIC)
      list(APPEND link -pie)
    endif()
  endif()
  if(RELAYWATCH_CXX_STACK_PROTECTOR AND NOT given_protector)
    list(APPEND compile -fstack-protector-strong)
    # Link-time optimisation compiles again at the link.
    list(APPEND link -fstack-protector-strong)
  endif()
  if(optimised AND RELAYWATCH_LIBC_FORTIFY AND NOT given_fortify AND NOT RELAYWATCH_CXX_FORTIFY_PREDEFINED
     AND NOT RELAYWATCH_SANITIZE AND NOT RELAYWATCH_FUZZ)
    list(APPEND compile -D_FORTIFY_SOURCE=2)
  endif()
  if(RELAYWATCH_LD_RELRO_NOW)
    if(NOT given_relro)
      list(APPEND link -Wl,-z,relro)
    endif()
    if(NOT given_now)
      list(APPEND link -Wl,-z,now)
    endif()
  endif()
  if(RELAYWATCH_LD_NOEXECSTACK AND NOT given_execstack)
    list(APPEND link -Wl,-z,noexecstack)
  endif()
  list(APPEND RELAYWATCH_HARDEN_COMPILE_OPTIONS "$<$<CONFIG:${config}>:${compile}>")
  list(APPEND RELAYWATCH_HARDEN_LINK_OPTIONS "$<$<CONFIG:${config}>:${link}>")

  # A packager's _FORTIFY_SOURCE in a build that does not optimise: some
  # glibc versions' headers then say so with #warning, which -Werror would
  # make an error in every target. The definition stays (and does nothing
  # at -O0); the warning stays a warning.
  if(given_fortify AND NOT optimised)
    add_compile_options("$<$<CONFIG:${config}>:-Wno-error=cpp>")
  endif()

  # The fixed-address trade: every executable and what goes into it (a
  # shared library, such as the tests' store library, stays position-
  # independent), unless the packager's flags choose for themselves.
  if(RELAYWATCH_FIXED_ADDRESS)
    if(given_pie_on)
      message(WARNING "relaywatch: RELAYWATCH_FIXED_ADDRESS=ON, but the flags given for ${config} "
                      "choose position independence themselves; they are left as given")
    else()
      set(not_shared "$<NOT:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>>")
      set(executable "$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>")
      add_compile_options("$<$<AND:$<CONFIG:${config}>,${not_shared}>:-fno-pie>")
      add_link_options("$<$<AND:$<CONFIG:${config}>,${executable}>:-no-pie>")
      # MIPS: calls into the C library through PLT entries (a direct jal)
      # instead of loading each address from the GOT first, as toolchains
      # for MIPS firmware do by default; needs a dynamic loader with MIPS
      # PLT support (glibc 2.9 and later, musl). Fixed-address code only.
      if(CMAKE_SYSTEM_PROCESSOR MATCHES "^mips")
        check_cxx_compiler_flag(-mplt RELAYWATCH_CXX_MIPS_PLT)
        if(RELAYWATCH_CXX_MIPS_PLT)
          add_compile_options("$<$<AND:$<CONFIG:${config}>,${not_shared}>:-mplt>")
        endif()
      endif()
    endif()
  endif()
endforeach()
# A static daemon: a static PIE, or with the fixed-address trade (or a
# toolchain without static PIE) a plain static executable.
set(RELAYWATCH_HARDEN_STATIC_LINK "")
if(RELAYWATCH_STATIC)
  if(NOT RELAYWATCH_FIXED_ADDRESS AND RELAYWATCH_CXX_PIE AND RELAYWATCH_LD_PIE)
    set(RELAYWATCH_HARDEN_STATIC_LINK -static-pie)
  else()
    if(NOT RELAYWATCH_FIXED_ADDRESS)
      message(WARNING "relaywatch: this toolchain cannot link a static PIE; the static daemon has a fixed address")
    endif()
    set(RELAYWATCH_HARDEN_STATIC_LINK -static)
  endif()
endif()

# relaywatch_harden(<executable> [<library>...])
# The defences above for the daemon executable and the libraries of its own
# that it links.
function(relaywatch_harden executable)
  foreach(t IN ITEMS ${executable} ${ARGN})
    target_compile_options(${t} PRIVATE ${RELAYWATCH_HARDEN_COMPILE_OPTIONS})
  endforeach()
  target_link_options(${executable} PRIVATE ${RELAYWATCH_HARDEN_LINK_OPTIONS} ${RELAYWATCH_HARDEN_STATIC_LINK})
endfunction()
