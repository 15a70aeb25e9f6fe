doravent_bench(imaging ${CMAKE_CURRENT_LIST_DIR}/imaging_bench.cpp DEPENDS doravent_imaging)
