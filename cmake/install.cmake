# SPDX-License-Identifier: ISC
# What `cmake --install` puts on a router's root file system:
#
#   cmake -S . -B build -DRELAYWATCH_INIT_SCRIPT=procd      # or sysv
#   cmake --build build -j2 --target relaywatch relaywatch-report
#   DESTDIR=$PWD/rootfs cmake --install build --strip
#
#   /usr/sbin/relaywatch        the daemon; stripped with --strip (always in
#                               MinSizeRel)
#   /usr/sbin/relaywatch-report the field report's collector, stripped alike,
#                               where it was built
#   /etc/init.d/relaywatch      the init script of RELAYWATCH_INIT_SCRIPT,
#   /etc/config/relaywatch      with its settings: procd's (OpenWrt)
#   /etc/default/relaywatch     or the System V script's
#   /etc/relaywatch/nvram       a commented template of the stand-in store
#                               (not with RELAYWATCH_NVRAM_LIBRARY)
#
# The settings and the store template never replace a file that is already
# there, so installing again keeps a router's own settings.
#
# The prefix defaults to /usr, where the init scripts look for the daemon;
# with it the system configuration directory is /etc, where the daemon looks
# for the store.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

set(RELAYWATCH_INIT_SCRIPT "" CACHE STRING
    "Init script installed as init.d/relaywatch: procd, sysv or empty for none")
set_property(CACHE RELAYWATCH_INIT_SCRIPT PROPERTY STRINGS "" procd sysv)
if(NOT RELAYWATCH_INIT_SCRIPT MATCHES "^(procd|sysv|)$")
  message(FATAL_ERROR "RELAYWATCH_INIT_SCRIPT must be procd, sysv or empty, not '${RELAYWATCH_INIT_SCRIPT}'")
endif()

install(TARGETS relaywatch RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})
# The collector where it was built (--target relaywatch relaywatch-report).
install(TARGETS relaywatch-report RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} OPTIONAL)

# Stripped at install in MinSizeRel whether or not --strip is given.
if(CMAKE_STRIP)
  foreach(program IN ITEMS relaywatch relaywatch-report)
  install(CODE "
    set(relaywatch_installed \"\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_SBINDIR}/${program}\")
    if(CMAKE_INSTALL_CONFIG_NAME STREQUAL \"MinSizeRel\" AND NOT CMAKE_INSTALL_DO_STRIP
       AND EXISTS \"\${relaywatch_installed}\")
      message(STATUS \"Stripping: \${relaywatch_installed}\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\${relaywatch_installed}\"
                      RESULT_VARIABLE relaywatch_strip_rc)
      if(NOT relaywatch_strip_rc EQUAL 0)
        message(FATAL_ERROR \"strip failed on \${relaywatch_installed}\")
      endif()
    endif()")
  endforeach()
endif()

# relaywatch_install_config(<source> <absolute destination file>)
# Installs <source> as <destination> unless that file exists (under DESTDIR).
function(relaywatch_install_config source destination)
  get_filename_component(dir "${destination}" DIRECTORY)
  get_filename_component(name "${destination}" NAME)
  install(CODE "
    if(EXISTS \"\$ENV{DESTDIR}${destination}\")
      message(STATUS \"Keeping: \$ENV{DESTDIR}${destination}\")
    else()
      file(INSTALL DESTINATION \"${dir}\" TYPE FILE RENAME \"${name}\"
           FILES \"${PROJECT_SOURCE_DIR}/${source}\")
    endif()")
endfunction()

set(relaywatch_etc ${CMAKE_INSTALL_FULL_SYSCONFDIR})
if(RELAYWATCH_INIT_SCRIPT STREQUAL "procd")
  install(PROGRAMS packaging/procd/relaywatch DESTINATION ${relaywatch_etc}/init.d)
  relaywatch_install_config(packaging/procd/relaywatch.config ${relaywatch_etc}/config/relaywatch)
elseif(RELAYWATCH_INIT_SCRIPT STREQUAL "sysv")
  install(PROGRAMS packaging/sysv/relaywatch DESTINATION ${relaywatch_etc}/init.d)
  relaywatch_install_config(packaging/sysv/relaywatch.default ${relaywatch_etc}/default/relaywatch)
endif()
if(NOT RELAYWATCH_NVRAM_LIBRARY)
  relaywatch_install_config(packaging/nvram ${relaywatch_etc}/relaywatch/nvram)
endif()
