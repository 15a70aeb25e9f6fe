# The realistic finish scene lives in the test tree; the benchmarks may be built without the tests.
if(NOT TARGET doravent_finish_scene)
  include(${PROJECT_SOURCE_DIR}/tests/scene/scene.cmake)
endif()
doravent_bench(slit ${CMAKE_CURRENT_LIST_DIR}/slit_bench.cpp DEPENDS doravent_timing doravent_qn3_commands
  doravent_finish_scene)
