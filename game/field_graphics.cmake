# Drawing the battle field: the markers laid on it and the renderer of a
# battle frame with its shadow map. Apart from qm_field so that the map
# readers and their fuzzer need no renderer.
qm_layer(qm_field_graphics
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/field_markers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_renderer.cpp
  DEPS qm_field qm_gfx qm_core qm_platform)
