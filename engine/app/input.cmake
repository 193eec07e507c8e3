# Input: the per-frame sample of pointers, keys and pads (state logic here,
# devices in qm_input_devices). Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/input.cpp ${CMAKE_CURRENT_LIST_DIR}/input_devices_start.cpp)
target_link_libraries(qm_app PUBLIC qm_input_devices)
