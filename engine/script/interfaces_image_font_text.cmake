# The script classes ImageInterface, FontInterface and TextBoxInterface, with
# the layer head the text classes share and the string argument getter.
# Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/script_string_arg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layer_wrapper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_box_interface.cpp)
target_link_libraries(qm_script PUBLIC qm_gfx)
