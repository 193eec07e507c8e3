# The script classes DirMgr, PackFileMgr, PackMemMgr and File. Included by
# this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_script PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_system_classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_class.cpp)
target_link_libraries(qm_script PUBLIC qm_fs)
