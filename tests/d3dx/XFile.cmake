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
# A short run on every test pass from the seeds kept in the tree: small files of other
# exporters and hand-written ones in every body encoding (text, binary with 32- and 64-bit
# floats, compressed text and binary), the damaged ones and the findings among them.
qm_add_fuzz_test(qm_xfile_fuzz_short FUZZER qm_xfile_fuzzer SECONDS 20 MAX_LEN 65536
                 SEEDS ${CMAKE_CURRENT_LIST_DIR}/fuzz-seeds/xfile)
if(TARGET qm_xfile_fuzzer)
  # Writes the other encodings of the hand-written text seeds (see fuzz-seeds/README.md).
  add_executable(qm-xfile-fuzz-seeds ${CMAKE_CURRENT_LIST_DIR}/XFileFuzzSeeds.cpp)
  target_link_libraries(qm-xfile-fuzz-seeds PRIVATE qm_xfile)
  target_include_directories(qm-xfile-fuzz-seeds PRIVATE ${PROJECT_SOURCE_DIR}/src)
  qm_warnings(qm-xfile-fuzz-seeds)
endif()
