# Utl's movie functions over the engine's movie player.
# Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE ${CMAKE_CURRENT_LIST_DIR}/movie_hooks.cpp)
target_link_libraries(qm_script PUBLIC qm_movie)
