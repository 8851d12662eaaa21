# Every test program gets tests/support/test_main.cpp, which selects the silent sound sink.
# qel_add_test(<name> SOURCES ... [LIBS ...] [ENGINE] [DISPLAY] [TIMEOUT s] [LABELS ...])
#   One GoogleTest executable; every test case becomes a CTest test.
#   ENGINE: toolkit-free, also run under the sanitizers (label "engine").
#   DISPLAY: needs an X server; scripts/test provides one through Xvfb (label "display").
#   Programs named in QELSAVER_THREAD_TESTS (top CMakeLists.txt) start threads: label "threads",
#   run again under ThreadSanitizer.
#   LABELS: further labels (what the tests need, for selecting them).
function(qel_add_test name)
  cmake_parse_arguments(T "ENGINE;DISPLAY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_ENGINE AND NOT QELSAVER_WITH_QT)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qel_test_main)
  target_compile_definitions(${name} PRIVATE QEL_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
                                             QEL_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set(labels ${T_LABELS})
  if(T_ENGINE)
    list(APPEND labels engine)
  endif()
  if(T_DISPLAY)
    list(APPEND labels display)
  endif()
  if(name IN_LIST QELSAVER_THREAD_TESTS)
    list(APPEND labels threads)
  endif()
  if(NOT labels)
    # An empty value would vanish from the PROPERTIES list below and shift every later pair.
    set(labels unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(labels)
    list(APPEND props LABELS "${labels}")
  endif()
  if(NOT T_DISPLAY)
    list(APPEND props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

# qel_tool_libs(lib ...): libraries qelsaver-tool links (its commands call into them).
function(qel_tool_libs)
  set_property(GLOBAL APPEND PROPERTY QELSAVER_TOOL_LIBS ${ARGN})
endfunction()

# qel_add_bench(<name> SOURCES ... [LIBS ...]): one Google Benchmark executable in bin/.
function(qel_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
