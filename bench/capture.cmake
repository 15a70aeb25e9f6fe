doravent_bench(capture ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp DEPENDS doravent_capture)
