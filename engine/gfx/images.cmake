# Image files (PNG, BMP, DDS, PVR readers, the JPEG encoder), background
# texture loading and the image atlas. Included by this folder's CMakeLists.txt.
include_guard(GLOBAL)
target_sources(qm_gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/image_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dds_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pvr_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_atlas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/atlas_page_texture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/async_texture.cpp)
target_link_libraries(qm_gfx PUBLIC qm_fs PkgConfig::QM_PNG JPEG::JPEG)
