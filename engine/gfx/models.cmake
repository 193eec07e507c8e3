# Static models from E3DO/E3D2 files and the material shader's matrices.
# Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/model_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/material_shader.cpp)
