if(DORAVENT_WIDGETS)
  add_executable(doravent-trace ${CMAKE_CURRENT_LIST_DIR}/trace_viewer.cpp)
  target_link_libraries(doravent-trace PRIVATE doravent_platform Qt6::Widgets)
endif()
