# Puts a copy of qxipcdll.dll beside target (whose executable loads it from
# its own folder) in folder, and copies it again whenever the library is
# built again. An optional third argument names another library target to
# copy under that name, such as a test double of it.
function(q6_copy_ipc_library target folder)
  set(library qxipcdll)
  if(ARGC GREATER 2)
    set(library ${ARGV2})
  endif()
  set(copy ${folder}/qxipcdll.dll)
  add_custom_command(OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${library}> ${copy}
    DEPENDS ${library}
    COMMENT "Copying qxipcdll.dll beside ${target}")
  add_custom_target(${target}_ipc_library DEPENDS ${copy})
  add_dependencies(${target} ${target}_ipc_library)
endfunction()
