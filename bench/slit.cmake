doravent_bench(slit ${CMAKE_CURRENT_LIST_DIR}/slit_bench.cpp DEPENDS doravent_timing doravent_qn3_commands)
