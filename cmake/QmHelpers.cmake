# Small helpers shared by every folder's CMakeLists.txt.
#   qm_add_subdirectories(dir)        add each child of dir that has a CMakeLists.txt
#   qm_warnings(target)               the project's warning set (errors with QM_WERROR)
#   qm_add_gtest(name SOURCES .. LIBS ..)  a GoogleTest program registered with CTest
#   qm_add_fuzzer(name SOURCES .. LIBS ..) a libFuzzer target, only with QM_FUZZ

function(qm_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
       ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(dir STREQUAL "src" AND child STREQUAL "app")
      continue()  # the executable comes last, after every library it links
    endif()
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

function(qm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                         -Wno-missing-field-initializers)
  if(QM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

function(qm_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    QM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QM_BINARY_DIR="${PROJECT_BINARY_DIR}"
    QM_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/../shared/testdata")
  qm_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()

# How long each fuzz test runs: 0 keeps every target's own short run (the test pass);
# scripts/fuzz.sh --minutes N configures the fuzz build with N * 60 for long runs.
set(QM_FUZZ_SECONDS 0 CACHE STRING "Seconds each fuzz test runs (0: its short default)")

# Sets `out` to the seconds a fuzz test runs (`short` unless QM_FUZZ_SECONDS says) and
# `out_timeout` to the test's time limit.
function(qm_fuzz_seconds out short)
  set(seconds ${short})
  if(QM_FUZZ_SECONDS GREATER 0)
    set(seconds ${QM_FUZZ_SECONDS})
  endif()
  math(EXPR limit "${seconds} + 120")
  set(${out} ${seconds} PARENT_SCOPE)
  set(${out}_timeout ${limit} PARENT_SCOPE)
endfunction()

function(qm_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT QM_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
endfunction()
