# SPDX-License-Identifier: ISC
# Builds the daemon alone in each of BUILD_TYPES (comma-separated) in
# SCRATCH/<type>, configured from SOURCE_DIR with GENERATOR, MAKE_PROGRAM,
# CXX and, when given, TOOLCHAIN and NVRAM_LIBRARY; then checks with
# footprint_check.cmake that each needs only libraries matching ALLOWED.
# Run as `cmake -P`; every type is tried, and the check fails if one fails.
cmake_minimum_required(VERSION 3.20)

string(REPLACE "," ";" types "${BUILD_TYPES}")
set(options -DBUILD_TESTING=OFF -DRELAYWATCH_SANITIZE=OFF -DRELAYWATCH_FUZZ=OFF
            "-DCMAKE_CXX_COMPILER=${CXX}" "-DRELAYWATCH_NVRAM_LIBRARY=${NVRAM_LIBRARY}")
if(MAKE_PROGRAM)
  list(APPEND options "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()
if(TOOLCHAIN)
  list(APPEND options "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}")
endif()

set(failed "")
foreach(type IN LISTS types)
  set(dir "${SCRATCH}/${type}")
  message("-- ${type}: ${dir}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${dir}" -G "${GENERATOR}"
                          "-DCMAKE_BUILD_TYPE=${type}" ${options}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(rc EQUAL 0)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${dir}" --target relaywatch --parallel 2
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  endif()
  if(NOT rc EQUAL 0)
    message("${out}")
    list(APPEND failed "${type} (does not build)")
    continue()
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DDAEMON=${dir}/relaywatch" "-DREADELF=${READELF}"
                          "-DALLOWED=${ALLOWED}" -P "${CMAKE_CURRENT_LIST_DIR}/footprint_check.cmake"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(APPEND failed "${type}")
  endif()
endforeach()
if(failed)
  list(JOIN failed ", " failed)
  message(FATAL_ERROR "libc only: failed for ${failed}")
endif()
