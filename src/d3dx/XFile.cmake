# qm_xfile: the X-file parser (text, binary, MSZIP-compressed) and CPU mesh building.
# Included from src/d3dx/CMakeLists.txt.
add_library(qm_xfile STATIC
  ${CMAKE_CURRENT_LIST_DIR}/XFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileDataReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileLexer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileMszip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileParser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileStandardTemplates.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileTemplate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileTypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XFileWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XMeshBuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XMeshSkin.cpp
)
target_include_directories(qm_xfile PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qm_xfile PUBLIC ZLIB::ZLIB)
qm_warnings(qm_xfile)
