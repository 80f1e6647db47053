# SPDX-License-Identifier: ISC
# Cross build for big-endian MIPS (o32) with Debian's g++-mips-linux-gnu:
#
#   cmake -S . -B build-mips-linux-gnu -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mips-linux-gnu.cmake \
#         -DCMAKE_BUILD_TYPE=MinSizeRel
#
# Tests run under qemu-mips (Debian's qemu-user).
set(RELAYWATCH_CROSS_TRIPLE mips-linux-gnu)
set(RELAYWATCH_CROSS_PROCESSOR mips)
set(RELAYWATCH_CROSS_QEMU qemu-mips)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
