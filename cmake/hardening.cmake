# Sanitizer and fuzzing builds. Included before any target is defined, so
# the flags set here reach every target: the core, the daemon, the tests,
# the simulator and the fuzz targets.
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
