# The release tarball: what goes into the appliance's root filesystem and
# nothing else, the programs stripped under bin/ and the reference pages
# under share/man/. Made with `cpack --preset i386` (see CMakePresets.json):
# appliance-programs-<version>-i386.tar.gz, unpacked at the root's top.
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME appliance-programs)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(APPLIANCE_TARBALL ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_PACKAGE_FILE_NAME ${APPLIANCE_TARBALL})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX "")
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
