doravent_bench(writer ${CMAKE_CURRENT_LIST_DIR}/writer_bench.cpp DEPENDS doravent_recording)
