# doravent_module(name DEPENDS ...): a static library of every .cpp in src/<name>.
# Globbing keeps parallel work from colliding on source lists.
function(doravent_module name)
  cmake_parse_arguments(M "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # Headers are listed too, so the meta-object compiler always sees every Q_OBJECT class.
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    add_library(doravent_${name} STATIC ${sources} ${headers})
    target_include_directories(doravent_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(doravent_${name} PUBLIC doravent_flags ${M_DEPENDS})
  else()
    add_library(doravent_${name} INTERFACE)
    target_include_directories(doravent_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(doravent_${name} INTERFACE doravent_flags ${M_DEPENDS})
  endif()
endfunction()

# doravent_test(name DEPENDS ...): one GoogleTest binary of every .cpp in tests/<name>.
# WIDGETS: the tests run under a widget application.
function(doravent_test name)
  cmake_parse_arguments(T "WIDGETS" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  if(T_WIDGETS)
    target_link_libraries(test_${name} PRIVATE doravent_test_main_widgets doravent_test_support ${T_DEPENDS})
  else()
    target_link_libraries(test_${name} PRIVATE doravent_test_main doravent_test_support ${T_DEPENDS})
  endif()
  target_compile_definitions(test_${name} PRIVATE DORAVENT_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
  # The sanitizer build does the same work several times slower (the autotime table of 22 heats
  # takes about 90 s there).
  if(DORAVENT_SANITIZE OR DORAVENT_TSAN)
    set(timeout 600)
  else()
    set(timeout 120)
  endif()
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${timeout})
endfunction()

# doravent_bench(name sources... DEPENDS ...): a Google Benchmark program.
function(doravent_bench name)
  cmake_parse_arguments(B "" "" "DEPENDS" ${ARGN})
  add_executable(bench_${name} ${B_UNPARSED_ARGUMENTS})
  target_link_libraries(bench_${name} PRIVATE doravent_flags benchmark::benchmark ${B_DEPENDS})
  # The window benchmarks find the main window's controls by name, as the tests do.
  target_include_directories(bench_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endfunction()
