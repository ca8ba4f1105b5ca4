# The real window: a thin Qt host over the core library.
find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets Network)

qt_add_resources(FENWING_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/assets/assets.qrc)

# The pictures the layout shows, baked at build time into raw pixels at their shown sizes and
# embedded uncompressed, so that the window draws them without decoding (see
# window/bake_pictures.cpp).
add_executable(fenwing-bake-pictures
  window/bake_pictures.cpp window/picture_prep.cpp window/look.cpp)
target_link_libraries(fenwing-bake-pictures PRIVATE fenwing_core Qt6::Gui)
set(baked_dir ${CMAKE_CURRENT_BINARY_DIR}/baked)
set(baked_names field duck-right duck-left duck-dead ammo clock)
set(baked_qrc "<RCC><qresource prefix=\"/baked\">")
set(baked_files)
foreach(name IN LISTS baked_names)
  string(APPEND baked_qrc "<file>${name}.raw</file>")
  list(APPEND baked_files ${baked_dir}/${name}.raw)
endforeach()
file(CONFIGURE OUTPUT ${baked_dir}/baked.qrc CONTENT "${baked_qrc}</qresource></RCC>\n")
file(GLOB asset_pictures CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/*.jpg
     ${CMAKE_CURRENT_SOURCE_DIR}/assets/*.gif)
add_custom_command(OUTPUT ${baked_files}
  COMMAND fenwing-bake-pictures ${CMAKE_CURRENT_SOURCE_DIR}/assets ${baked_dir} ${baked_names}
  DEPENDS fenwing-bake-pictures ${asset_pictures}
  COMMENT "Baking the pictures")
qt_add_resources(FENWING_BAKED ${baked_dir}/baked.qrc OPTIONS --no-compress)

include(cmake/sound.cmake)

add_library(fenwing_qt STATIC
  window/window_host.cpp window/main_window.cpp window/placement.cpp window/box_queue.cpp
  window/field_view.cpp window/look.cpp window/resources.cpp window/cover.cpp
  window/picture_prep.cpp window/pictures.cpp window/trace.cpp
  window/first_paint.cpp
  window/best_store.cpp window/best_keeper.cpp window/best_menu.cpp window/best_table.cpp
  window/watch_window.cpp window/player_name.cpp window/board_post.cpp
  ${FENWING_RESOURCES} ${FENWING_BAKED})
target_link_libraries(fenwing_qt PUBLIC fenwing_best fenwing_sound Qt6::Widgets Qt6::Network)

add_executable(fenwing WIN32 MACOSX_BUNDLE app/main.cpp app/options.cpp app/session.cpp)
target_link_libraries(fenwing PRIVATE fenwing_qt)
# fontconfig, where Qt finds the fonts with it, so that the program can have it read its
# configuration early, beside the display connection (app/main.cpp); Qt links it already.
find_package(Fontconfig QUIET)
if(Fontconfig_FOUND)
  target_link_libraries(fenwing PRIVATE Fontconfig::Fontconfig)
  target_compile_definitions(fenwing PRIVATE FENWING_HAVE_FONTCONFIG)
endif()
target_compile_definitions(fenwing PRIVATE PROJECT_VERSION="${PROJECT_VERSION}")

# Pictures of a script played in virtual time, for the README's animation (tools/animation.sh).
add_executable(fenwing-frames app/frames_main.cpp)
target_link_libraries(fenwing-frames PRIVATE fenwing_qt)
