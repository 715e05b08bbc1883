# Winelib build: wineg++ compiles the tree into Win32 programs (ELF files
# that Wine loads) which run under Wine on Linux.
#
#   cmake -S . -B build-wine -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/wine-toolchain.cmake
#   cmake --build build-wine -j2 && ctest --test-dir build-wine
#
# Needs Debian's wine, wine64, wine64-tools and libwine-dev. Programs run
# through cmake/wine/run.sh, in a Wine prefix of the build's own
# (build-wine/wineprefix, made on first use), without an X display.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(Q6_WINE_DIR ${CMAKE_CURRENT_LIST_DIR}/wine)
find_program(CMAKE_C_COMPILER NAMES winegcc PATHS /usr/lib/wine REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES wineg++ PATHS /usr/lib/wine REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES wrc PATHS /usr/lib/wine REQUIRED)

# WCHAR is char16_t and wchar_t keeps its 4 bytes, so that glibc, libstdc++
# and the Debian libraries built for Linux agree with our code on wchar_t.
# windows.h defines no min/max macros.
set(Q6_WINE_FLAGS "-fno-short-wchar -UWINE_UNICODE_NATIVE -DNOMINMAX")
# winegcc compiles with clang, not gcc, for a target triplet whose gcc is
# not installed (Debian's is x86_64-linux-gnu): the Linux build already
# checks the code with GCC, and clang compiles this tree in about a quarter
# less CPU. The top CMakeLists.txt adds it to the compiles only, once CMake
# has identified winegcc with its default gcc, whose ways (precompiled
# headers) clang follows as well. Links stay with gcc: winegcc starts the
# driver half a dozen times per link, and clang's costs twice gcc's there.
set(Q6_WINE_BACKEND -b x86_64-pc-linux-gnu)
set(CMAKE_C_FLAGS_INIT "${Q6_WINE_FLAGS}")
# The shims make <filesystem>, GoogleTest and GoogleMock take their Linux
# form, the one libstdc++ and Debian's libgtest.a were built with.
set(CMAKE_CXX_FLAGS_INIT "${Q6_WINE_FLAGS} -isystem ${Q6_WINE_DIR}/include")

# winegcc writes NAME.so (and a launcher script for an executable); the
# rules rename the ELF file to NAME, as Wine finds X.exe and X.dll.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${Q6_WINE_DIR}/rules.cmake)

# Tests and gtest_discover_tests run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${Q6_WINE_DIR}/run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix)

# Debian's libraries and their CMake packages are the Winelib ones too.
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
