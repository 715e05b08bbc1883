# Puts a copy of qxipcdll.dll beside target (whose executable loads it from
# its own folder) in folder, and copies it again whenever the library is
# built again.
function(q6_copy_ipc_library target folder)
  set(copy ${folder}/qxipcdll.dll)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:qxipcdll> ${copy}
    DEPENDS qxipcdll
    COMMENT "Copying qxipcdll.dll beside ${target}")
  add_custom_target(${target}_ipc_library DEPENDS ${copy})
  add_dependencies(${target} ${target}_ipc_library)
endfunction()
