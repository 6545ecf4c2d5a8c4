# Small helpers shared by every folder's CMakeLists.txt.
#   qm_add_subdirectories(dir)        add each child of dir that has a CMakeLists.txt
#   qm_warnings(target)               the project's warning set (errors with QM_WERROR)
#   qm_add_gtest(name SOURCES .. LIBS ..)  a GoogleTest program registered with CTest
#   qm_add_fuzzer(name SOURCES .. LIBS ..) a libFuzzer target, only with QM_FUZZ
#   qm_add_fuzz_test(name FUZZER .. SECONDS .. MAX_LEN .. SEEDS ..)  its short run in CTest

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

# A CTest run of a fuzz target: the seeds (folders or single files, findings kept as
# regression inputs among them) are copied into a writable corpus in the build tree, so
# that every run replays them before it mutates anything; new inputs collect there.
#   qm_add_fuzz_test(name FUZZER target SECONDS short MAX_LEN bytes [RSS_MB mb]
#                    [PREPARE shell command writing more seeds into the corpus] SEEDS path..)
function(qm_add_fuzz_test name)
  cmake_parse_arguments(ARG "" "FUZZER;SECONDS;MAX_LEN;RSS_MB;PREPARE" "SEEDS" ${ARGN})
  if(NOT TARGET ${ARG_FUZZER})
    return()
  endif()
  if(NOT ARG_RSS_MB)
    set(ARG_RSS_MB 1024)
  endif()
  qm_fuzz_seconds(seconds ${ARG_SECONDS})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  set(copy "mkdir -p '${corpus}'")
  foreach(seed IN LISTS ARG_SEEDS)
    if(NOT EXISTS ${seed})
      message(FATAL_ERROR "qm_add_fuzz_test(${name}): no seeds at ${seed}")
    endif()
    string(APPEND copy " && cp -r '${seed}' '${corpus}/'")
  endforeach()
  if(ARG_PREPARE)
    string(APPEND copy " && ${ARG_PREPARE}")
  endif()
  add_test(NAME ${name}
           COMMAND sh -c "${copy} && '$<TARGET_FILE:${ARG_FUZZER}>' -max_total_time=${seconds} \
-rss_limit_mb=${ARG_RSS_MB} -max_len=${ARG_MAX_LEN} '${corpus}'"
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${seconds_timeout})
endfunction()
