# Code that qxipcdll.dll holds. Every publishing cycle loads and releases the
# library, and each page of it that the load maps costs the release: its code
# is built for size, each function and object in a section of its own, so
# that the library's link (--gc-sections) drops what it never calls. A debug
# build keeps its own optimisation level.
function(q6_code_in_loaded_library target)
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections
    $<$<NOT:$<CONFIG:Debug>>:-Os>)
endfunction()
