if(DORAVENT_WIDGETS)
  doravent_bench(hold ${CMAKE_CURRENT_LIST_DIR}/hold_bench.cpp DEPENDS doravent_app)
endif()
