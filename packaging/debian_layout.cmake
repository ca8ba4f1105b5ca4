# Run by cpack after it has installed the files into its staging folder and before it packs
# them (CPACK_PRE_BUILD_SCRIPTS): what a Debian package has that a plain `cmake --install` has
# not. Debian keeps games in /usr/games (the game, the driver that plays its recordings again and
# the shared board), a plain install keeps bin/, which is on every system's PATH; a Debian
# package carries its own changelog beside the licence; and lintian is told which of its
# remarks do not apply to a package made here (see the overrides files). With the game and the
# board as two packages, each has a staging folder of its own, its component's.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(stages "")
if(CPACK_DEB_COMPONENT_INSTALL)
  foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER "${component}" upper)
    list(APPEND stages "${CPACK_TEMPORARY_DIRECTORY}/${component}>${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  endforeach()
else()
  list(APPEND stages "${CPACK_TEMPORARY_DIRECTORY}>${CPACK_PACKAGE_NAME}")
endif()
foreach(stage IN LISTS stages)
  string(REPLACE ">" ";" stage "${stage}")
  list(GET stage 0 folder)
  list(GET stage 1 package)
  set(usr "${folder}${CPACK_PACKAGING_INSTALL_PREFIX}")
  foreach(program fenwing fenwing-sim fenwing-board)
    if(EXISTS "${usr}/bin/${program}")
      file(MAKE_DIRECTORY "${usr}/games")
      file(RENAME "${usr}/bin/${program}" "${usr}/games/${program}")
    endif()
  endforeach()
  file(GLOB left "${usr}/bin/*")
  if(NOT left)
    file(REMOVE_RECURSE "${usr}/bin")
  endif()
  # The board's unit starts the program where the package puts it.
  set(unit "${usr}/lib/systemd/system/fenwing-board.service")
  if(EXISTS "${unit}")
    file(READ "${unit}" text)
    string(REGEX REPLACE "\nExecStart=[^ \n]*fenwing-board" "\nExecStart=/usr/games/fenwing-board"
           text "${text}")
    file(WRITE "${unit}" "${text}")
  endif()
  file(COPY_FILE "${CPACK_FENWING_DEBIAN_CHANGELOG}"
       "${usr}/share/doc/${package}/changelog.Debian.gz")
  file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
  file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/${package}.lintian-overrides"
       "${usr}/share/lintian/overrides/${package}")
endforeach()
