# Fonts, the glyph cache and text boxes over FreeType. Font files are read
# through the file-system managers, hence qm_fs.
include_guard(GLOBAL)
target_sources(qm_gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/font.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/freetype_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyph_bitmap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyph_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/glyph_rasterizer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_box_layout.cpp)
target_link_libraries(qm_gfx PUBLIC qm_fs PkgConfig::QM_FREETYPE)
