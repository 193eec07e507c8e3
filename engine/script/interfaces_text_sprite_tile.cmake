# The script classes TextSpriteInterface and TileInterface. Included by this
# folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/text_sprite_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile_interface.cpp)
target_link_libraries(qm_script PUBLIC qm_gfx)
