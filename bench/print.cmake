# The page code lives with the windows: no print benchmark in a build without them.
if(DORAVENT_WIDGETS)
  doravent_bench(print ${CMAKE_CURRENT_LIST_DIR}/print_bench.cpp DEPENDS doravent_presentation)
endif()
