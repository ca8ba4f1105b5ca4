# Run by cpack after it has installed the files into its staging folder and before it packs
# them (CPACK_PRE_BUILD_SCRIPTS): what a Debian package has that a plain `cmake --install` has
# not. Debian keeps games in /usr/games (the game, and the driver that plays its recordings
# again), a plain install keeps bin/, which is on every system's PATH; a Debian package carries
# its own changelog beside the licence; and lintian is told which of its remarks do not apply
# to a package made here (see the overrides file).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${usr}/games")
foreach(program fenwing fenwing-sim)
  file(RENAME "${usr}/bin/${program}" "${usr}/games/${program}")
endforeach()
file(GLOB left "${usr}/bin/*")
if(NOT left)
  file(REMOVE_RECURSE "${usr}/bin")
endif()
file(COPY_FILE "${CPACK_FENWING_DEBIAN_CHANGELOG}"
     "${usr}/share/doc/${CPACK_PACKAGE_NAME}/changelog.Debian.gz")
file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/fenwing.lintian-overrides"
     "${usr}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")
