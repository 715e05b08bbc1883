# Runs in CPack once the package's files are staged in /opt/q6tsa: adds what
# a Debian system expects of a package around that folder.
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY})
set(folder ${CPACK_PACKAGING_INSTALL_PREFIX})
set(source ${CPACK_Q6_SOURCE_DIR})
set(doc ${root}/usr/share/doc/${CPACK_PACKAGE_NAME})

function(q6_stage_file from to_folder permissions)
  # file(COPY), unlike file(INSTALL), does not put DESTDIR before the folder.
  file(COPY ${from} DESTINATION ${to_folder} FILE_PERMISSIONS ${permissions})
endfunction()

function(q6_stage_gzip from to)
  execute_process(COMMAND gzip -9n -c ${from} OUTPUT_FILE ${to} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot compress ${from}: gzip gave ${result}")
  endif()
endfunction()

set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(runnable ${readable} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)

# The starter's helper sits beside the agent, whose q6ipc reads the tick.
q6_stage_file(${source}/packaging/q6tsa-anchor ${root}${folder} "${runnable}")
q6_stage_file(${source}/man/q6tsa-anchor.8 ${root}${folder}/share/man/man8 "${readable}")
q6_stage_file(${source}/packaging/systemd/q6tsa.service ${root}/usr/lib/systemd/system
  "${readable}")

# The commands on PATH. Each program finds its folder through its own file,
# not through the link.
file(MAKE_DIRECTORY ${root}/usr/bin ${root}/usr/sbin)
file(CREATE_LINK ${folder}/q6ipc ${root}/usr/bin/q6ipc SYMBOLIC)
file(CREATE_LINK ${folder}/q6tsa ${root}/usr/sbin/q6tsa SYMBOLIC)
file(CREATE_LINK ${folder}/q6tsa-anchor ${root}/usr/sbin/q6tsa-anchor SYMBOLIC)

# The settings are the conffile under /etc; the agent reads them through a
# link beside itself, which it follows since both folders are root's.
file(MAKE_DIRECTORY ${root}/etc/q6tsa)
file(RENAME ${root}${folder}/q6agent.properties.example ${root}/etc/q6tsa/q6agent.properties)
file(CREATE_LINK /etc/q6tsa/q6agent.properties ${root}${folder}/q6agent.properties SYMBOLIC)

file(MAKE_DIRECTORY ${doc})
q6_stage_file(${source}/packaging/debian/copyright ${doc} "${readable}")
q6_stage_gzip(${source}/packaging/debian/changelog ${doc}/changelog.Debian.gz)
q6_stage_gzip(${source}/CHANGELOG.md ${doc}/changelog.gz)
