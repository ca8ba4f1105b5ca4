# Writes the AppStream metainfo from packaging/io.github.fenwing.Fenwing.metainfo.xml.in. An
# AppStream screenshot and home page must be web addresses, and the game has none until it is
# published, so both are optional: FENWING_HOMEPAGE_URL and FENWING_SCREENSHOT_URL (where
# docs/screenshot-play.png can be fetched, https) add them when set, and are left out otherwise.
#
# Included by cmake/install.cmake, or run on its own to write one:
#   cmake -DOUTPUT=FILE [-DFENWING_HOMEPAGE_URL=URL] [-DFENWING_SCREENSHOT_URL=URL] \
#         -P packaging/metainfo.cmake

function(fenwing_write_metainfo output homepage screenshot)
  set(web "")
  foreach(var homepage screenshot)  # text inside XML elements: escape what XML reserves
    string(REPLACE "&" "&amp;" ${var} "${${var}}")
    string(REPLACE "<" "&lt;" ${var} "${${var}}")
  endforeach()
  if(homepage)
    string(APPEND web "  <url type=\"homepage\">${homepage}</url>\n")
  endif()
  if(screenshot)
    string(APPEND web
      "  <screenshots>\n"
      "    <screenshot type=\"default\">\n"
      "      <caption>A game in play: three ducks over the field, the counters below</caption>\n"
      "      <image>${screenshot}</image>\n"
      "    </screenshot>\n"
      "  </screenshots>\n")
  endif()
  string(REGEX REPLACE "\n$" "" FENWING_METAINFO_WEB "${web}")
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/io.github.fenwing.Fenwing.metainfo.xml.in
                 ${output} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DOUTPUT=FILE [-DFENWING_HOMEPAGE_URL=URL] "
                        "[-DFENWING_SCREENSHOT_URL=URL] -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  fenwing_write_metainfo("${OUTPUT}" "${FENWING_HOMEPAGE_URL}" "${FENWING_SCREENSHOT_URL}")
endif()
