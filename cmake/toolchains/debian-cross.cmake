# SPDX-License-Identifier: ISC
# Shared by the cross toolchain files: Debian's cross compilers
# (g++-<triple>) with their sysroot in /usr/<triple>, and qemu-user to run
# the target's programs (tests, test discovery) on the build machine.
#
# The including file sets RELAYWATCH_CROSS_TRIPLE, RELAYWATCH_CROSS_PROCESSOR
# and RELAYWATCH_CROSS_QEMU.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${RELAYWATCH_CROSS_PROCESSOR})

set(CMAKE_C_COMPILER ${RELAYWATCH_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${RELAYWATCH_CROSS_TRIPLE}-g++)

# Libraries, headers and packages from the target's sysroot only; programs
# (strip, readelf, qemu) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${RELAYWATCH_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and gtest_discover_tests run the target's programs through this.
# The dynamic loader and libraries come from the cross sysroot.
set(CMAKE_CROSSCOMPILING_EMULATOR ${RELAYWATCH_CROSS_QEMU} -L /usr/${RELAYWATCH_CROSS_TRIPLE})
