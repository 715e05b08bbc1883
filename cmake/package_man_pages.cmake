# Runs in CPack once the package's files are staged. The install folder keeps
# its manual pages in share/man; the Debian package moves them to
# /usr/share/man, where man finds them, compressed as Debian keeps them.
set(staged_prefix ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(from ${staged_prefix}/share/man)
set(to ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share/man)

file(GLOB pages RELATIVE ${from} ${from}/man*/*)
foreach(page ${pages})
  get_filename_component(section ${page} DIRECTORY)
  file(MAKE_DIRECTORY ${to}/${section})
  execute_process(COMMAND gzip -9n -c ${from}/${page}
    OUTPUT_FILE ${to}/${page}.gz
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot compress ${page}: gzip gave ${result}")
  endif()
endforeach()
file(REMOVE_RECURSE ${from})

# share/ held nothing but the manual pages: no empty folder goes into /opt.
file(GLOB shared ${staged_prefix}/share/*)
if(NOT shared)
  file(REMOVE_RECURSE ${staged_prefix}/share)
endif()
