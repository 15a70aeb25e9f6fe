if(DORAVENT_WIDGETS)
  doravent_bench(heat ${CMAKE_CURRENT_LIST_DIR}/heat_bench.cpp DEPENDS doravent_app)
endif()
