# The release: what goes into the appliance's root filesystem and nothing
# else, in three archives so that an integrator takes what fits the flash.
# Made with `cpack --preset i386` (see CMakePresets.json), each unpacked at
# the root's top:
#   appliance-programs-<version>-i386.tar.gz  bin/<program>, stripped
#   appliance-pages-<version>-i386.tar.gz     usr/share/man/man{5,7,8}/<page>.gz
#   appliance-factory-<version>-i386.tar.gz   etc/..., var/...: the factory settings
# The same commit gives the same archives, byte for byte, wherever and
# whenever it is built: file times are the last commit's (SOURCE_DATE_EPOCH,
# unless set), owners root, paths of the build machine kept out.
set(APPLIANCE_ARCH ${CMAKE_SYSTEM_PROCESSOR})
if(APPLIANCE_TARGET_I386)
  set(APPLIANCE_ARCH i386)
endif()
set(APPLIANCE_RELEASE_PARTS programs pages factory)

# The factory settings (factory/, which the simulator lays out too), and the
# web server's configuration that infoedit would make from them.
set(_factory ${CMAKE_SOURCE_DIR}/factory)
set(_httpd_conf ${CMAKE_BINARY_DIR}/factory/httpd.conf)
add_custom_command(OUTPUT ${_httpd_conf}
  COMMAND ${CMAKE_COMMAND} -DAPINFO=${_factory}/etc/apinfo -DTEMPLATE=${_factory}/etc/htconf.templ
          -DOUT=${_httpd_conf} -P ${CMAKE_SOURCE_DIR}/cmake/httpd_conf.cmake
  DEPENDS ${_factory}/etc/apinfo ${_factory}/etc/htconf.templ ${CMAKE_SOURCE_DIR}/cmake/httpd_conf.cmake
  COMMENT "factory web server configuration" VERBATIM)
add_custom_target(factory ALL DEPENDS ${_httpd_conf})
set(_dir_modes DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(_file_modes OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(DIRECTORY ${_factory}/etc ${_factory}/var DESTINATION . COMPONENT factory
        FILE_PERMISSIONS ${_file_modes} ${_dir_modes})
install(FILES ${_httpd_conf} DESTINATION var/lib/httpd/conf COMPONENT factory
        PERMISSIONS ${_file_modes})

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME appliance)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME appliance-${PROJECT_VERSION}-${APPLIANCE_ARCH})
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${APPLIANCE_RELEASE_PARTS})
set(APPLIANCE_ARCHIVES "")
foreach(part IN LISTS APPLIANCE_RELEASE_PARTS)
  string(TOUPPER ${part} PART)
  set(CPACK_ARCHIVE_${PART}_FILE_NAME appliance-${part}-${PROJECT_VERSION}-${APPLIANCE_ARCH})
  list(APPEND APPLIANCE_ARCHIVES ${CPACK_ARCHIVE_${PART}_FILE_NAME}.tar.gz)
endforeach()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX "")
set(CPACK_SOURCE_GENERATOR "")
# Read by cpack when it runs: the time of the last commit, taken then.
set(APPLIANCE_SOURCE_DIR ${CMAKE_SOURCE_DIR})
configure_file(${CMAKE_SOURCE_DIR}/cmake/cpack_epoch.cmake.in ${CMAKE_BINARY_DIR}/CPackEpoch.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackEpoch.cmake)
include(CPack)
