# Runs in CPack once the package's files are staged: pkg-config looks for
# q6time.pc in /usr/share/pkgconfig, not in /opt, so the package puts a copy
# there that names the package's folder as its prefix.
set(staged_prefix ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
file(READ ${staged_prefix}/lib/pkgconfig/q6time.pc description)
string(REGEX REPLACE "prefix=[^\n]*" "prefix=${CPACK_PACKAGING_INSTALL_PREFIX}" description
  "${description}")
file(WRITE ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share/pkgconfig/q6time.pc "${description}")
