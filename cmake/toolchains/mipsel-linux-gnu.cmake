# SPDX-License-Identifier: ISC
# Cross build for little-endian MIPS (o32) with Debian's g++-mipsel-linux-gnu:
#
#   cmake -S . -B build-mipsel-linux-gnu -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mipsel-linux-gnu.cmake \
#         -DCMAKE_BUILD_TYPE=MinSizeRel
#
# Tests run under qemu-mipsel (Debian's qemu-user).
set(RELAYWATCH_CROSS_TRIPLE mipsel-linux-gnu)
set(RELAYWATCH_CROSS_PROCESSOR mipsel)
set(RELAYWATCH_CROSS_QEMU qemu-mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
