# SPDX-License-Identifier: ISC
# A static daemon against musl instead of glibc, for the build machine's
# architecture, with Debian's musl-tools and musl-dev:
#
#   cmake -S . -B build-musl -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/musl.cmake \
#         -DCMAKE_BUILD_TYPE=MinSizeRel
#   cmake --build build-musl -j2 --target relaywatch
#
# g++ compiles against musl's C headers and the header-only parts of
# libstdc++ (string_view, array, algorithm: templates and inline functions
# only); the C driver links with musl's start files and libc.a, statically.
# libstdc++ is never linked, so whatever would need it at run time fails to
# link instead. Only the daemon builds this way: the tests, the simulator and
# the benchmarks use the C++ library and GoogleTest, which are built for
# glibc. Run the daemon's process tests against this build's daemon from a
# glibc build:
#
#   RELAYWATCH_TEST_DAEMON=$PWD/build-musl/relaywatch build/tests/relaywatch_tests

set(CMAKE_CXX_COMPILER g++)

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
                OUTPUT_VARIABLE relaywatch_gnu_triple OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpversion
                OUTPUT_VARIABLE relaywatch_gcc_version OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=include
                OUTPUT_VARIABLE relaywatch_gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REGEX REPLACE "-gnu.*$" "-musl" relaywatch_musl_triple "${relaywatch_gnu_triple}")
set(relaywatch_musl_lib /usr/lib/${relaywatch_musl_triple})
set(relaywatch_musl_include /usr/include/${relaywatch_musl_triple})
if(NOT EXISTS "${relaywatch_musl_lib}/musl-gcc.specs" OR NOT EXISTS "${relaywatch_musl_include}/stdio.h")
  message(FATAL_ERROR "musl for ${relaywatch_gnu_triple} not found in ${relaywatch_musl_lib}: "
                      "apt-get install musl-tools musl-dev")
endif()

# The kernel's headers (linux/wireless.h for the driver request) without
# glibc's: a directory that links to just them.
set(relaywatch_musl_extra "${CMAKE_BINARY_DIR}/musl-include")
file(MAKE_DIRECTORY "${relaywatch_musl_extra}")
foreach(dir linux asm-generic)
  file(CREATE_LINK /usr/include/${dir} "${relaywatch_musl_extra}/${dir}" SYMBOLIC)
endforeach()
file(CREATE_LINK /usr/include/${relaywatch_gnu_triple}/asm "${relaywatch_musl_extra}/asm" SYMBOLIC)
# libstdc++'s configuration asks glibc's version; musl has none to give.
file(WRITE "${relaywatch_musl_extra}/musl-compat.h"
     "// libstdc++ built for glibc, used with musl: no glibc version.\n"
     "#define __GLIBC_PREREQ(major, minor) 0\n")

# C++ headers, the compiler's own, musl's, the kernel's; nothing of glibc's.
string(JOIN " " CMAKE_CXX_FLAGS_INIT
       -nostdinc
       -isystem /usr/include/c++/${relaywatch_gcc_version}
       -isystem /usr/include/${relaywatch_gnu_triple}/c++/${relaywatch_gcc_version}
       -isystem ${relaywatch_gcc_include}
       -isystem ${relaywatch_musl_include}
       -isystem ${relaywatch_musl_extra}
       -include ${relaywatch_musl_extra}/musl-compat.h)

# Linked by the C driver with the GCC driver file that musl ships: musl's
# start files and libc, libgcc, no libstdc++. Statically: as a static PIE
# (-static-pie) or, with RELAYWATCH_FIXED_ADDRESS=ON, at a fixed address
# (-static); cmake/hardening.cmake adds which to the daemon's link. Debian's
# driver file knows only -static; the copy written here also starts a static
# PIE with musl's rcrt1.o, which relocates it, and links it as one.
file(READ "${relaywatch_musl_lib}/musl-gcc.specs" relaywatch_specs)
set(relaywatch_startfile_pattern "%{!shared: ([^ }]*/)Scrt1.o}")
set(relaywatch_link_pattern "%{static:-static}")
if(relaywatch_specs MATCHES "${relaywatch_startfile_pattern}" AND
   relaywatch_specs MATCHES "${relaywatch_link_pattern}")
  string(REGEX REPLACE "${relaywatch_startfile_pattern}"
         "%{static-pie:\\1rcrt1.o;!shared:\\1Scrt1.o}" relaywatch_specs "${relaywatch_specs}")
  string(REPLACE "${relaywatch_link_pattern}"
         "%{static:-static} %{static-pie:-static -pie --no-dynamic-linker -z text}"
         relaywatch_specs "${relaywatch_specs}")
  set(RELAYWATCH_STATIC_PIE ON)
else()
  message(WARNING "musl: ${relaywatch_musl_lib}/musl-gcc.specs is not as expected; no static PIE")
  set(RELAYWATCH_STATIC_PIE OFF)
endif()
set(relaywatch_musl_specs "${CMAKE_BINARY_DIR}/musl-gcc.specs")
file(WRITE "${relaywatch_musl_specs}" "${relaywatch_specs}")
set(RELAYWATCH_STATIC ON)
find_program(RELAYWATCH_MUSL_LINKER NAMES ${relaywatch_gnu_triple}-gcc gcc REQUIRED)
set(CMAKE_CXX_LINK_EXECUTABLE
    "${RELAYWATCH_MUSL_LINKER} -specs ${relaywatch_musl_specs} <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")

# The tests need GoogleTest and the C++ library, which are glibc's.
set(BUILD_TESTING OFF CACHE BOOL "Build the unit tests (not against musl)")
