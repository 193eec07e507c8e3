# The battle field: cells and map files, picking, object fading, and the
# range and route search. Its own library so that tests, the fuzzer and the
# benchmark need no more than graphics.
qm_layer(qm_field
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/battle_files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_cells.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_geometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_pick.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_map_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_load.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_fade.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_range.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_route.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_mesh.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_mesh_draw.cpp
  DEPS qm_gfx qm_fs qm_core qm_platform)
