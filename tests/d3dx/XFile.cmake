# Tests of the X-file parser, writer and mesh building (qm_xfile), and its fuzz target.
# Included from tests/d3dx/CMakeLists.txt.
qm_add_gtest(qm_xfile_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/XFileParserTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XFileTestDataTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XFileWriterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XMeshBuilderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XMeshSkinTest.cpp
  LIBS qm_xfile)

qm_add_fuzzer(qm_xfile_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/XFileFuzzer.cpp
  LIBS qm_xfile)
if(TARGET qm_xfile_fuzzer)
  qm_fuzz_seconds(fuzz_seconds 20)
  # A short run on every test pass, seeded with the real files. New inputs go to the first
  # (writable) corpus folder; the shared test data is only read.
  set(XFILE_CORPUS ${CMAKE_CURRENT_BINARY_DIR}/xfile_corpus)
  file(MAKE_DIRECTORY ${XFILE_CORPUS})
  add_test(NAME qm_xfile_fuzz_short
           COMMAND qm_xfile_fuzzer -max_total_time=${fuzz_seconds} -rss_limit_mb=1024 -max_len=1048576
                   ${XFILE_CORPUS} ${PROJECT_SOURCE_DIR}/../shared/testdata/xfile
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(qm_xfile_fuzz_short PROPERTIES TIMEOUT ${fuzz_seconds_timeout})
endif()
