if(DORAVENT_WIDGETS)
  doravent_bench(navigation ${CMAKE_CURRENT_LIST_DIR}/navigation_bench.cpp DEPENDS doravent_app)
endif()
