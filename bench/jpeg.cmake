doravent_bench(jpeg ${CMAKE_CURRENT_LIST_DIR}/jpeg_bench.cpp DEPENDS doravent_recording)
