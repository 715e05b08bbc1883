# Link rules of the Winelib build (see wine-toolchain.cmake). MinGW's import
# libraries and image versions have no Winelib counterpart; a DLL's exports
# come from its module-definition file, passed as a link option.
foreach(lang C CXX)
  set(CMAKE_${lang}_LINK_EXECUTABLE
      "<CMAKE_${lang}_COMPILER> <FLAGS> <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>"
      "<CMAKE_COMMAND> -E rename <TARGET>.so <TARGET>")
  set(CMAKE_${lang}_CREATE_SHARED_LIBRARY
      "<CMAKE_${lang}_COMPILER> <LANGUAGE_COMPILE_FLAGS> <LINK_FLAGS> -shared -o <TARGET> <OBJECTS> <LINK_LIBRARIES>"
      "<CMAKE_COMMAND> -E rename <TARGET>.so <TARGET>")
  set(CMAKE_${lang}_CREATE_SHARED_MODULE "${CMAKE_${lang}_CREATE_SHARED_LIBRARY}")
endforeach()

# A Winelib DLL is an ELF shared object with no import library: to CMake
# this is not a DLL platform, so Debian's shared libraries import as on Linux.
set(CMAKE_IMPORT_LIBRARY_SUFFIX "")
set(CMAKE_FIND_LIBRARY_PREFIXES "lib")
set(CMAKE_FIND_LIBRARY_SUFFIXES ".so" ".a")

# The ELF linker knows no dllexport; inline visibility is GCC's Linux option.
set(CMAKE_C_COMPILE_OPTIONS_VISIBILITY_INLINES_HIDDEN "-fvisibility-inlines-hidden")
set(CMAKE_CXX_COMPILE_OPTIONS_VISIBILITY_INLINES_HIDDEN "-fvisibility-inlines-hidden")
