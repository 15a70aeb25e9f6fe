doravent_bench(officials ${CMAKE_CURRENT_LIST_DIR}/officials_bench.cpp DEPENDS doravent_timing doravent_recording)
