doravent_bench(render ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp DEPENDS doravent_recording)
