# SPDX-License-Identifier: ISC
# Cross build for 32-bit ARM, hard float with Debian's g++-arm-linux-gnueabihf:
#
#   cmake -S . -B build-arm-linux-gnueabihf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake \
#         -DCMAKE_BUILD_TYPE=MinSizeRel
#
# Tests run under qemu-arm (Debian's qemu-user).
set(RELAYWATCH_CROSS_TRIPLE arm-linux-gnueabihf)
set(RELAYWATCH_CROSS_PROCESSOR arm)
set(RELAYWATCH_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
