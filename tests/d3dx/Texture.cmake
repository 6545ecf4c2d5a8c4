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
if(TARGET qm_image_fuzzer)
  qm_fuzz_seconds(fuzz_seconds 15)
  # A short run on every test pass; the corpus starts from nothing, so the run also shows
  # how far the decoders are reachable from scratch.
  add_test(NAME qm_image_fuzz_short
           COMMAND qm_image_fuzzer -max_total_time=${fuzz_seconds} -rss_limit_mb=1024 -max_len=4096)
  set_tests_properties(qm_image_fuzz_short PROPERTIES TIMEOUT ${fuzz_seconds_timeout})
endif()

if(TARGET qm_d3d)
  qm_add_gtest(qm_d3dx_texture_tests
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/ImageTestFiles.cpp
      ${CMAKE_CURRENT_LIST_DIR}/D3DXTextureTest.cpp
    LIBS qm_d3dx_texture qm_d3d JPEG::JPEG)
endif()
