if(DORAVENT_WIDGETS)
  doravent_bench(meeting ${CMAKE_CURRENT_LIST_DIR}/meeting_bench.cpp DEPENDS doravent_app)
endif()
