# q6_version: the generated header q6tsa_version.h, which carries the
# project's version to the code that reports it.
set(Q6_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${Q6_GENERATED_DIR}/q6tsa_version.h @ONLY)
add_library(q6_version INTERFACE)
target_include_directories(q6_version INTERFACE ${Q6_GENERATED_DIR})
