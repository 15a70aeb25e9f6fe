doravent_bench(reader ${CMAKE_CURRENT_LIST_DIR}/reader_bench.cpp DEPENDS doravent_recording)
