# The programs a root daemon's package ships are built hardened, as Debian
# builds its own (dpkg-buildflags' "hardening=+all"): stack protector,
# fortified C library calls (which need an optimised build), position-
# independent executables and a relocation table made read-only once every
# symbol is bound at load. The sanitizer and fuzz builds have their own
# instrumentation and leave these out.
include(CheckPIESupported)
check_pie_supported()
add_compile_options(-fstack-protector-strong)
add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
add_link_options(LINKER:-z,relro LINKER:-z,now)
