# binutils' ar, ranlib and nm load every linker plugin in bfd-plugins, and
# each clang installed puts one there that holds all of LLVM (14 for the
# sanitizer lane, 22 with clang-tidy): a run costs about 0.2 s of CPU. GCC's
# wrappers name GCC's own plugin, and then binutils loads only that one.
# Static libraries are archived with them, and on Windows winebuild lists
# each link's undefined symbols with gcc-nm.
find_program(Q6_GCC_AR gcc-ar)
find_program(Q6_GCC_RANLIB gcc-ranlib)
find_program(Q6_GCC_NM gcc-nm)
if(Q6_GCC_AR AND Q6_GCC_RANLIB)
  set(CMAKE_AR ${Q6_GCC_AR})
  set(CMAKE_RANLIB ${Q6_GCC_RANLIB})
endif()
if(WIN32 AND Q6_GCC_NM)
  add_link_options(-Wb,--nm-cmd=${Q6_GCC_NM})
endif()
