# The realistic finish scene: the table test of the finish proposals, the slit benchmark and the
# small program that writes one of its heats (for looking at it in the window) share it.
add_library(doravent_finish_scene STATIC ${CMAKE_CURRENT_LIST_DIR}/realistic_finish.cpp)
target_include_directories(doravent_finish_scene PUBLIC ${CMAKE_CURRENT_LIST_DIR}/.. ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(doravent_finish_scene PUBLIC doravent_flags doravent_recording doravent_timing Qt6::Gui)
