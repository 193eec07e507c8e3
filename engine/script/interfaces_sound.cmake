# The script class SoundPlayer over the sound engine's players.
# Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sound_player_interface.cpp)
target_link_libraries(qm_script PUBLIC qm_media)
