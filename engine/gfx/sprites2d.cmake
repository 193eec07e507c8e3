# Batched 2D drawing, text sprites and tiles. Included by this folder's
# CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/std2d_batch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_sprite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tile.cpp)
