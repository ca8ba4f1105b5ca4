# The real window: a thin Qt host over the core library.
find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets)

qt_add_resources(FENWING_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/assets/assets.qrc)
add_library(fenwing_qt STATIC
  host/qt/field_view.cpp host/qt/look.cpp host/qt/qt_host.cpp host/qt/resources.cpp
  host/qt/pictures.cpp host/qt/trace.cpp
  ${FENWING_RESOURCES})
target_link_libraries(fenwing_qt PUBLIC fenwing_core Qt6::Widgets)

add_executable(fenwing WIN32 MACOSX_BUNDLE app/main.cpp)
target_link_libraries(fenwing PRIVATE fenwing_qt)
target_compile_definitions(fenwing PRIVATE PROJECT_VERSION="${PROJECT_VERSION}")
