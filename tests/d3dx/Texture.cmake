# Tests of qm_image (decoders and filters) and qm_d3dx_texture, and the decoders' fuzz target.
qm_add_gtest(qm_image_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ImageTestFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageDecoderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageFilterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageCorruptInputTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageForeignFilesTest.cpp
  LIBS qm_image JPEG::JPEG)

qm_add_fuzzer(qm_image_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageDecoderFuzzer.cpp
  LIBS qm_image)
# A short run on every test pass from a small file of every layout the decoders take.
qm_add_fuzz_test(qm_image_fuzz_short FUZZER qm_image_fuzzer SECONDS 15 MAX_LEN 4096
                 SEEDS ${CMAKE_CURRENT_LIST_DIR}/fuzz-seeds/image)
if(TARGET qm_image_fuzzer)
  # Writes those seeds again (tests/d3dx/fuzz-seeds/image) when a layout is added.
  add_executable(qm-image-fuzz-seeds ${CMAKE_CURRENT_LIST_DIR}/ImageFuzzSeeds.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/ImageTestFiles.cpp)
  target_include_directories(qm-image-fuzz-seeds PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(qm-image-fuzz-seeds PRIVATE JPEG::JPEG)
  qm_warnings(qm-image-fuzz-seeds)
endif()

if(TARGET qm_d3d)
  qm_add_gtest(qm_d3dx_texture_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ImageTestFiles.cpp
      ${CMAKE_CURRENT_LIST_DIR}/D3DXTextureTest.cpp
    LIBS qm_d3dx_texture qm_d3d JPEG::JPEG)
endif()
