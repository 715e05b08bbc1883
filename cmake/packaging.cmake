# One folder holds everything the agent needs: cmake --install BUILD --prefix DIR
# lays it out, and the Debian package puts it into /opt/q6tsa, a vendor's
# add-on package's place (the agent reads its library, registry/ and
# settings beside its own program). The package adds what Debian expects
# (cmake/package_debian_layout.cmake): the commands on PATH, the settings as
# a conffile under /etc, the systemd unit, the documentation, and the
# maintainer scripts of packaging/debian/. The manual pages go into the
# folder's share/man, and in the package to /usr/share/man. Installing and
# packaging build nothing themselves (not the whole tree with its tests):
# `make package` builds the installed targets first.
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

set(debian ${PROJECT_SOURCE_DIR}/packaging/debian)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME q6tsa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision; packaging/debian/changelog names the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "Veltrix")
set(CPACK_PACKAGE_CONTACT "Veltrix q6tsa maintainers <q6tsa@veltrix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tessaro 6 server time agent, its IPC library and readers' tools")
set(CPACK_PACKAGE_DESCRIPTION [=[
q6tsa keeps the server time of the Tessaro 6 client-management suite on
this machine. Its starter hands it the server's date and time and the boot
tick at which they held; every 30 seconds the agent publishes both as JSON
in a shared-memory slot of its IPC library, qxipcdll.dll, and sets a
machine-wide event, so that the suite's other programs read the server
time without asking the server. It follows the tick counter, never the
wall clock.

The package holds the agent, which runs as root under systemd
(q6tsa.service, started through q6tsa-anchor), the IPC library, q6ipc, the
reader's tool for the time, the agent's status and monitoring checks, and
libq6time, the library through which a program reads the server time
(q6time.h, pkg-config q6time).]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/q6tsa)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps computes the dependencies from the programs' libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${debian}/conffiles ${debian}/postinst ${debian}/prerm ${debian}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Read by the scripts below, which run inside CPack.
set(CPACK_Q6_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS
  ${CMAKE_CURRENT_LIST_DIR}/package_debian_layout.cmake
  ${CMAKE_CURRENT_LIST_DIR}/package_man_pages.cmake
  ${CMAKE_CURRENT_LIST_DIR}/package_pkgconfig.cmake)
include(CPack)
