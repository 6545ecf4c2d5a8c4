# qm_image: decoders (JPEG, BMP, TGA, DDS) and filters into 32-bit pixels, with no device.
# qm_d3dx_texture: D3DXCreateTextureFromFileInMemory(Ex) on top of it, through the
# Direct3D 8 interfaces of d3d/D3D8.h (any back end).
add_library(qm_image STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageJpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageBmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageTga.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageDds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageFilter.cpp
)
target_include_directories(qm_image PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qm_image PRIVATE JPEG::JPEG)
qm_warnings(qm_image)

add_library(qm_d3dx_texture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/D3DXTexture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/D3DXTexturePixels.cpp
)
target_include_directories(qm_d3dx_texture PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qm_d3dx_texture PUBLIC qm_image)
qm_warnings(qm_d3dx_texture)
