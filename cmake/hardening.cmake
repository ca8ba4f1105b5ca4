# The hardening that Debian builds its packages with (`dpkg-buildflags` with
# DEB_BUILD_MAINT_OPTIONS=hardening=+all): a canary on the stack of every function with local
# buffers, format strings checked, glibc's checked copies of the string and memory functions,
# and relocations resolved at start and then made read-only. Position-independent executables,
# the last of the set, are what the compilers of Debian and most other systems make by default
# (the package test checks that the programs are).
#
# For every build with GCC or Clang on systems whose programs are ELF, so that the game built
# and installed by hand is the one the package holds; not for the sanitizer and fuzzing builds,
# whose own instrumentation replaces these checks (and does not mix with the checked copies).
option(FENWING_HARDEN "Build with Debian's hardening flags (GCC or Clang, ELF systems)" ON)
if(FENWING_HARDEN AND NOT FENWING_SANITIZE AND NOT FENWING_FUZZ AND UNIX AND NOT APPLE AND NOT EMSCRIPTEN
   AND CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$")
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
  # The checked copies need the optimiser, which a Debug build (or one without a type) lacks:
  # glibc warns there and checks nothing. Any level the compiler sets by itself is replaced.
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>"
                      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>")
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
