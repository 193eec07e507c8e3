# The script classes LayerInterface and InputInterface and the argument and
# type-tag helpers every engine script class uses. Included by this folder's
# CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/script_class_args.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layer_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_interface.cpp)
target_link_libraries(qm_script PUBLIC qm_gfx qm_app)
