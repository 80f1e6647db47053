# SPDX-License-Identifier: ISC
# The footprint checks on the built daemon, run as `cmake -P`.
#
# Size (STRIP and SIZE given): strips a copy of DAEMON into STRIPPED, prints
# the stripped file's bytes, its bytes compressed with `xz -9e` (XZ: what a
# router's image stores, near enough) and text + data as `size` counts
# them, and fails when one exceeds MAX_FILE / MAX_XZ / MAX_TEXT_DATA (an
# empty limit checks nothing).
#
# Dependencies (READELF given): the shared libraries that `readelf -d` lists
# as needed must each match the regular expression ALLOWED, or be the C
# library's dynamic loader that the daemon names as its interpreter: on MIPS
# and 32-bit ARM glibc keeps the stack protector's guard value there
# (ld.so.1, ld-linux-armhf.so.3), and it loads every dynamic program anyway.
cmake_minimum_required(VERSION 3.20)

if(NOT DAEMON OR NOT EXISTS "${DAEMON}")
  message(FATAL_ERROR "footprint: no daemon at '${DAEMON}'")
endif()

if(STRIP)
  if(NOT SIZE)
    message(FATAL_ERROR "footprint: no `size` tool found beside ${STRIP}")
  endif()
  execute_process(COMMAND "${STRIP}" -o "${STRIPPED}" "${DAEMON}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "footprint: ${STRIP} failed: ${err}")
  endif()
  file(SIZE "${STRIPPED}" file_bytes)
  if(NOT XZ)
    message(FATAL_ERROR "footprint: no xz found (Debian's xz-utils)")
  endif()
  execute_process(COMMAND "${XZ}" -9e -c "${STRIPPED}"
                  OUTPUT_FILE "${STRIPPED}.xz" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "footprint: ${XZ} failed: ${err}")
  endif()
  file(SIZE "${STRIPPED}.xz" xz_bytes)

  # Berkeley format: a header line, then "text data bss dec hex filename".
  execute_process(COMMAND "${SIZE}" -B "${DAEMON}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "footprint: ${SIZE} failed: ${err}")
  endif()
  if(NOT out MATCHES "\n[ \t]*([0-9]+)[ \t]+([0-9]+)[ \t]+([0-9]+)")
    message(FATAL_ERROR "footprint: cannot read the output of size:\n${out}")
  endif()
  set(text ${CMAKE_MATCH_1})
  set(data ${CMAKE_MATCH_2})
  set(bss ${CMAKE_MATCH_3})
  math(EXPR text_data "${text} + ${data}")

  set(max_file_shown "${MAX_FILE}")
  set(max_text_data_shown "${MAX_TEXT_DATA}")
  set(max_xz_shown "${MAX_XZ}")
  if(max_file_shown STREQUAL "")
    set(max_file_shown "none")
  endif()
  if(max_xz_shown STREQUAL "")
    set(max_xz_shown "none")
  endif()
  if(max_text_data_shown STREQUAL "")
    set(max_text_data_shown "none")
  endif()
  message("stripped file: ${file_bytes} bytes (limit: ${max_file_shown})")
  message("xz -9e:        ${xz_bytes} bytes, of the stripped file (limit: ${max_xz_shown})")
  message("text + data:   ${text_data} bytes (text ${text}, data ${data}, bss ${bss}; limit: ${max_text_data_shown})")
  set(failed "")
  if(NOT MAX_FILE STREQUAL "" AND file_bytes GREATER MAX_FILE)
    string(APPEND failed "the stripped daemon has ${file_bytes} bytes, more than ${MAX_FILE}\n")
  endif()
  if(NOT MAX_XZ STREQUAL "" AND xz_bytes GREATER MAX_XZ)
    string(APPEND failed "the stripped daemon takes ${xz_bytes} bytes under xz -9e, more than ${MAX_XZ}\n")
  endif()
  if(NOT MAX_TEXT_DATA STREQUAL "" AND text_data GREATER MAX_TEXT_DATA)
    string(APPEND failed "text + data of the daemon is ${text_data} bytes, more than ${MAX_TEXT_DATA}\n")
  endif()
  if(failed)
    message(FATAL_ERROR "footprint: ${failed}The largest symbols: nm --size-sort -S -C ${DAEMON}")
  endif()
endif()

if(READELF)
  execute_process(COMMAND "${READELF}" -d "${DAEMON}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "footprint: ${READELF} -d failed: ${err}")
  endif()
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]*\\]" entries "${out}")
  if(NOT entries)
    message(FATAL_ERROR "footprint: readelf -d lists no needed library (not a dynamic executable?)\n${out}")
  endif()
  execute_process(COMMAND "${READELF}" -l "${DAEMON}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE segments ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "footprint: ${READELF} -l failed: ${err}")
  endif()
  set(loader "")
  if(segments MATCHES "program interpreter: ([^]\n]*)\\]")
    get_filename_component(loader "${CMAKE_MATCH_1}" NAME)
  endif()
  set(unexpected "")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*\\[(.*)\\]" "\\1" lib "${entry}")
    if(lib STREQUAL loader)
      message("needs: ${lib} (the C library's dynamic loader, the daemon's interpreter)")
      continue()
    endif()
    message("needs: ${lib}")
    if(NOT lib MATCHES "${ALLOWED}")
      string(APPEND unexpected " ${lib}")
    endif()
  endforeach()
  if(unexpected)
    message(FATAL_ERROR "footprint: the daemon needs more than the C library:${unexpected}")
  endif()
endif()
