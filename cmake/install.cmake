# Installing and packaging the window. `cmake --install` puts the game where the GNU install
# directories say: the executable and the headless driver, fenwing-sim, which plays a recording
# again; on desktops that follow the freedesktop.org conventions the game's desktop entry, icons
# and AppStream metainfo, all named by the desktop id that app/main.cpp gives Qt; then the
# manual pages and the licence. The pictures stay inside the executable, so an installed game
# runs from any directory. `cpack -G DEB` in the build folder packages the same files for
# Debian, with the dependencies that dpkg-shlibdeps finds.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/packaging/metainfo.cmake)
# The game's files are one component, the shared board's (below) another, each its own Debian
# package.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME fenwing)

set(FENWING_APP_ID io.github.fenwing.Fenwing)
set(FENWING_HOMEPAGE_URL "" CACHE STRING
    "The game's home page (https), for the AppStream metainfo and the package; none if empty")
set(FENWING_SCREENSHOT_URL "" CACHE STRING
    "Where docs/screenshot-play.png is published (https), for the AppStream metainfo; none if empty")
set(FENWING_ICON_SIZES 16 24 32 48 64 128 256)  # assets/icons/fenwing-SIZE.png

# The executable as each system expects it: a bundle on macOS, a program with an icon on Windows.
set_target_properties(fenwing PROPERTIES
  MACOSX_BUNDLE_BUNDLE_NAME Fenwing
  MACOSX_BUNDLE_GUI_IDENTIFIER ${FENWING_APP_ID}
  MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
  MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
  MACOSX_BUNDLE_COPYRIGHT "Copyright (c) 2026 The Fenwing developers (MIT License)")
if(WIN32)
  # The program's icon in Explorer, made from the icon pictures by ImageMagick 7's `magick`
  # (never Windows' own convert.exe). Without it the window still shows its icon.
  find_program(FENWING_MAGICK NAMES magick)
  if(FENWING_MAGICK)
    set(pngs "")
    foreach(size IN LISTS FENWING_ICON_SIZES)
      list(APPEND pngs ${PROJECT_SOURCE_DIR}/assets/icons/fenwing-${size}.png)
    endforeach()
    set(ico ${CMAKE_CURRENT_BINARY_DIR}/fenwing.ico)
    add_custom_command(OUTPUT ${ico} COMMAND ${FENWING_MAGICK} ${pngs} ${ico} DEPENDS ${pngs}
                       VERBATIM)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/fenwing.rc "IDI_ICON1 ICON \"fenwing.ico\"\n")
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/fenwing.rc
                                PROPERTIES OBJECT_DEPENDS ${ico})
    target_sources(fenwing PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/fenwing.rc)
  else()
    message(STATUS "ImageMagick's magick not found: fenwing.exe gets no icon of its own")
  endif()
endif()

install(TARGETS fenwing fenwing-sim
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        BUNDLE DESTINATION .)
if(UNIX AND NOT APPLE AND CMAKE_STRIP)
  # A stripped install (`--strip`, and cpack's) also drops the compilers' version stamps in
  # .comment, which nothing reads, as Debian's own packages do.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(bindir "\$ENV{DESTDIR}${CMAKE_INSTALL_BINDIR}")
  else()
    set(bindir "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
  endif()
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program $<TARGET_FILE_NAME:fenwing> $<TARGET_FILE_NAME:fenwing-sim>)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                \"${bindir}/\${program}\" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
          message(FATAL_ERROR \"${CMAKE_STRIP} could not remove .comment from \${program}\")
        endif()
      endforeach()
    endif()")
endif()
if(TARGET fenwing-board AND UNIX AND NOT APPLE)
  # The shared board, a service: the program beside the game's, its manual page (below), its
  # systemd unit where systemd looks for a package's units, and the licence. A Debian package's
  # unit starts /usr/games/fenwing-board (packaging/debian_layout.cmake).
  install(TARGETS fenwing-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT board)
  set(FENWING_BOARD_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/fenwing-board)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/fenwing-board.service.in
                 ${CMAKE_CURRENT_BINARY_DIR}/packaging/fenwing-board.service @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/fenwing-board.service
          DESTINATION lib/systemd/system COMPONENT board)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/fenwing-board
          RENAME copyright COMPONENT board)
  if(CMAKE_STRIP)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                \"${bindir}/$<TARGET_FILE_NAME:fenwing-board>\" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
          message(FATAL_ERROR \"${CMAKE_STRIP} could not remove .comment from fenwing-board\")
        endif()
      endif()" COMPONENT board)
  endif()
endif()
if((WIN32 OR APPLE) AND COMMAND qt_generate_deploy_app_script)
  # Qt's libraries and plugins beside the program, where no package manager brings them.
  if(Qt6_VERSION VERSION_LESS 6.5)
    qt_generate_deploy_app_script(TARGET fenwing FILENAME_VARIABLE deploy
                                  NO_UNSUPPORTED_PLATFORM_ERROR)
  else()
    qt_generate_deploy_app_script(TARGET fenwing OUTPUT_SCRIPT deploy
                                  NO_UNSUPPORTED_PLATFORM_ERROR)
  endif()
  install(SCRIPT ${deploy})
endif()

if(UNIX AND NOT APPLE)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${FENWING_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  fenwing_write_metainfo(${CMAKE_CURRENT_BINARY_DIR}/packaging/${FENWING_APP_ID}.metainfo.xml
                         "${FENWING_HOMEPAGE_URL}" "${FENWING_SCREENSHOT_URL}")
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${FENWING_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size IN LISTS FENWING_ICON_SIZES)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/fenwing-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${FENWING_APP_ID}.png)
  endforeach()
  if(EXISTS ${PROJECT_SOURCE_DIR}/assets/icons/fenwing.svg)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/fenwing.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            RENAME ${FENWING_APP_ID}.svg)
  endif()
  # Debian's name for the licence, which its packages must carry.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR}
          RENAME copyright)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# Who makes the Debian package: its Maintainer field and the signature of its changelog. The
# defaults name the project at an address that cannot reach anyone by mistake (.invalid is
# reserved for that); whoever publishes a package sets their own.
set(FENWING_MAINTAINER_NAME "The Fenwing developers" CACHE STRING
    "The Debian package's maintainer: a name")
set(FENWING_MAINTAINER_EMAIL "fenwing@fenwing.invalid" CACHE STRING
    "The Debian package's maintainer: a mail address")
set(FENWING_MAINTAINER "${FENWING_MAINTAINER_NAME} <${FENWING_MAINTAINER_EMAIL}>")

if(UNIX)
  # The manual pages, compressed where gzip is at hand, as man pages are installed on Linux; and
  # the Debian changelog, which cpack adds to the Debian package (packaging/debian_layout.cmake).
  set(pages fenwing.6 fenwing-sim.6)
  find_program(FENWING_GZIP gzip)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${changelog}.in @ONLY)
  if(FENWING_GZIP)
    set(compressed "")
    foreach(page IN LISTS pages)
      set(man ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page})
      add_custom_command(OUTPUT ${man}.gz
                         COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${page} ${man}
                         COMMAND ${FENWING_GZIP} -9nf ${man}
                         DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page} VERBATIM)
      list(APPEND compressed ${man}.gz)
    endforeach()
    add_custom_command(OUTPUT ${changelog}.gz
                       COMMAND ${CMAKE_COMMAND} -E copy ${changelog}.in ${changelog}
                       COMMAND ${FENWING_GZIP} -9nf ${changelog}
                       DEPENDS ${changelog}.in VERBATIM)
    add_custom_target(fenwing_manual ALL DEPENDS ${compressed} ${changelog}.gz)
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  else()
    list(TRANSFORM pages PREPEND ${PROJECT_SOURCE_DIR}/docs/)
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  endif()
  if(TARGET fenwing-board AND NOT APPLE)
    set(man ${CMAKE_CURRENT_BINARY_DIR}/packaging/fenwing-board.6)
    if(FENWING_GZIP)
      add_custom_command(OUTPUT ${man}.gz
                         COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/fenwing-board.6 ${man}
                         COMMAND ${FENWING_GZIP} -9nf ${man}
                         DEPENDS ${PROJECT_SOURCE_DIR}/docs/fenwing-board.6 VERBATIM)
      add_custom_target(fenwing_board_manual ALL DEPENDS ${man}.gz)
      install(FILES ${man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT board)
    else()
      install(FILES ${PROJECT_SOURCE_DIR}/docs/fenwing-board.6
              DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT board)
    endif()
  endif()
endif()

# Packages. The Debian one takes its dependencies from dpkg-shlibdeps (Debian's dpkg-dev): the
# packages of the libraries that the executable links, which on Debian 12 also hold the Qt
# plugins that it loads (tests/package checks both). A font is no linked library, so the face
# that the labels fall back to first is only recommended.
set(CPACK_PACKAGE_NAME fenwing)
set(CPACK_PACKAGE_VENDOR "The Fenwing developers")
set(CPACK_PACKAGE_CONTACT "${FENWING_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "duck shooting game for one player")  # no leading article
set(CPACK_PACKAGE_INSTALL_DIRECTORY Fenwing)
set(CPACK_PACKAGE_EXECUTABLES fenwing Fenwing)  # the Start menu's entry: the game alone
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # fenwing_VERSION-REVISION_ARCH.deb
# The game is not Debian's own, so its package has a Debian revision (1.0.0-1) and a Debian
# changelog, changelog.Debian.gz, whose newest entry names that version. Debian's layout (the
# programs in /usr/games, the changelog) is made by packaging/debian_layout.cmake.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_FENWING_DEBIAN_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/debian_layout.cmake)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The sound library is loaded at run time, so dpkg-shlibdeps cannot see it: without it the game
# is silent.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, libpulse0")

set(CPACK_PACKAGE_DESCRIPTION "Three ducks fly diagonally over a field and bounce off its edges; you have
60 seconds and 25 shots to hit as many as you can with the mouse. Now and
then an ammunition crate or a clock crosses the field to give you more.")
if(FENWING_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${FENWING_HOMEPAGE_URL}")
endif()
find_program(FENWING_DPKG_DEB dpkg-deb)
if(FENWING_DPKG_DEB)
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR TGZ)
endif()
if(TARGET fenwing-board AND FENWING_DPKG_DEB)
  # Two Debian packages, one a component: fenwing, the game, and fenwing-board, the shared board,
  # a service that a desktop has no need of (nor of its PostgreSQL and HTTP libraries). Each
  # package's description begins with its own summary line, so the summary that CPack would put
  # before both is left at CPack's default, which it leaves out.
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL fenwing board)
  set(CPACK_DEBIAN_FENWING_PACKAGE_NAME fenwing)
  set(CPACK_DEBIAN_BOARD_PACKAGE_NAME fenwing-board)
  set(CPACK_DEBIAN_FENWING_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_DEBIAN_BOARD_DESCRIPTION "shared board of best games for Fenwing, each one replayed
A small HTTP service that keeps the best games of Fenwing, a duck shooting
game, for everyone to see. A player posts the recording of a session; the
board plays it again on the game's own code, tick for tick, and keeps each
game it finished with the hits and shots that the replay found, never a
score that someone sent. Anyone can watch a game again in the game's web
page. It keeps its games in SQLite, or in PostgreSQL for several boards.")
  set(CPACK_DEBIAN_BOARD_PACKAGE_SUGGESTS "postgresql")
  set(CPACK_DEBIAN_FENWING_PACKAGE_RECOMMENDS "${CPACK_DEBIAN_PACKAGE_RECOMMENDS}")
  unset(CPACK_DEBIAN_PACKAGE_RECOMMENDS)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
endif()
include(CPack)
