# One folder holds everything the agent needs: cmake --install BUILD --prefix DIR
# lays it out, and the Debian package puts it into /opt/q6tsa. The manual
# pages go into the folder's share/man, and in the package to /usr/share/man.
# Installing and packaging build nothing themselves (not the whole tree with
# its tests): `make package` builds the installed targets first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
install(TARGETS q6tsa q6ipc RUNTIME DESTINATION .)
install(TARGETS qxipcdll LIBRARY DESTINATION .)
# The readers' library: lib/ under the folder, one level below the
# qxipcdll.dll that it loads, with its header and pkg-config file.
install(TARGETS q6time LIBRARY DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/libq6time/q6time.h DESTINATION include)
install(FILES ${PROJECT_BINARY_DIR}/libq6time/q6time.pc DESTINATION lib/pkgconfig)
install(FILES ${PROJECT_SOURCE_DIR}/man/q6time.3 DESTINATION share/man/man3)
install(FILES ${PROJECT_SOURCE_DIR}/registry/time-zones.reg DESTINATION registry)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/q6agent.properties.example DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/man/q6ipc.1 DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/man/q6tsa.8 DESTINATION share/man/man8)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q6tsa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veltrix")
set(CPACK_PACKAGE_CONTACT "q6tsa maintainers <q6tsa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Tessaro 6 server time agent, its IPC library, the q6ipc reader and the readers' library libq6time")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/q6tsa)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "liblog4cpp5v5, libjsoncpp25")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_man_pages.cmake
  ${CMAKE_CURRENT_LIST_DIR}/package_pkgconfig.cmake)
include(CPack)
