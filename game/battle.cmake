# The battle scene: the battle and its camera, units and their sprites, the
# battle script classes, and the seams to the field renderer and the screen
# effects. Its own library so that tests need no more than the script host
# and graphics.
qm_layer(qm_battle
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/battle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/battle_camera.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_draw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_sprite_cache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/battle_classes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/battle_interface.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_interface.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unit_layer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/efk_layer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/field_draw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/battle_effects_efc.cpp
  DEPS qm_field qm_field_graphics qm_effects_game qm_script qm_gfx qm_fs qm_core qm_platform PkgConfig::QM_GLES)
