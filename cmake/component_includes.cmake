# Each component's include folder of its own, in the build tree: a folder in
# which only that component's sources show, under its name (<name>/...). A
# component reaches another's headers only by linking it, so an include that
# goes against the layering fails to build. With FILES, only those files of
# the folder show (a library's public header, say).
function(q6_component_includes target name folder)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  if(ARG_FILES)
    file(MAKE_DIRECTORY ${root}/${name})
    foreach(file ${ARG_FILES})
      file(CREATE_LINK ${folder}/${file} ${root}/${name}/${file} SYMBOLIC)
    endforeach()
  else()
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
