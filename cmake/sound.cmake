# The cues' sounds and their player. The WAV files are embedded uncompressed, so that they are
# read where they lie; of libpulse only the headers are needed here, since the player loads the
# library when it starts (audio/sound_player.h). Without the headers the player is silent.
find_package(Threads REQUIRED)
qt_add_resources(FENWING_SOUNDS ${CMAKE_CURRENT_SOURCE_DIR}/assets/sounds/sounds.qrc
                 OPTIONS --no-compress)
add_library(fenwing_sound STATIC audio/sounds.cpp audio/sound_player.cpp ${FENWING_SOUNDS})
target_link_libraries(fenwing_sound PUBLIC fenwing_runtime Qt6::Core Threads::Threads)
