# SPDX-License-Identifier: ISC
# Fails on any #include in sim/ that runs against the folders' declared
# direction. The direction is the sim/ libraries' link lists: a file in
# sim/F may include from sim/F and from the folders whose libraries
# relaywatch_sim_F links, directly or through them. The build writes those
# lists to RULES (sim/CMakeLists.txt); a declared circle fails too. The tests
# (sim/F/tests/) are left out: their programs link the whole simulator.
#
#   cmake -DSOURCE=<source dir> -DRULES=<build dir>/sim-layering.cmake -P tools/check-layering.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT SOURCE OR NOT RULES)
  message(FATAL_ERROR "usage: cmake -DSOURCE=DIR -DRULES=FILE -P check-layering.cmake")
endif()
include(${RULES})  # sim_folders, and sim_may_use_<F> for each

set(faults 0)
foreach(folder IN LISTS sim_folders)
  foreach(used IN LISTS sim_may_use_${folder})
    if(folder IN_LIST sim_may_use_${used})
      message("sim/${folder} and sim/${used} each may use the other: a circle in their link lists")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
  file(GLOB files RELATIVE ${SOURCE} ${SOURCE}/sim/${folder}/*.h ${SOURCE}/sim/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" path "${line}")
      if(NOT path MATCHES "/")
        message("${file}: #include \"${path}\" names no folder")
        math(EXPR faults "${faults} + 1")
      elseif(path MATCHES "^sim/")
        string(REGEX REPLACE "^sim/([^/]*)/.*$" "\\1" to "${path}")
        if(to STREQUAL path OR NOT to IN_LIST sim_folders)
          message("${file}: #include \"${path}\" is in no folder of sim/")
          math(EXPR faults "${faults} + 1")
        elseif(NOT to STREQUAL folder AND NOT to IN_LIST sim_may_use_${folder})
          message("${file}: #include \"${path}\": sim/${folder} may not use sim/${to} (it may use: ${sim_may_use_${folder}})")
          math(EXPR faults "${faults} + 1")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the direction declared by sim/'s link lists")
endif()
list(LENGTH sim_folders count)
message("sim/: ${count} folders, every include in its declared direction")
