add_library(doravent_qn3_commands STATIC ${CMAKE_CURRENT_LIST_DIR}/qn3_commands.cpp ${CMAKE_CURRENT_LIST_DIR}/qn3_demo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qn3_finish.cpp ${CMAKE_CURRENT_LIST_DIR}/qn3_integrity.cpp)
target_include_directories(doravent_qn3_commands PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(doravent_qn3_commands PUBLIC doravent_recording doravent_timing doravent_capture Qt6::Gui)
# The printed page is the window's own page code, which lives with the windows.
if(DORAVENT_WIDGETS)
  target_sources(doravent_qn3_commands PRIVATE ${CMAKE_CURRENT_LIST_DIR}/qn3_print.cpp)
  target_link_libraries(doravent_qn3_commands PUBLIC doravent_presentation)
  target_compile_definitions(doravent_qn3_commands PRIVATE DORAVENT_QN3_PRINT)
endif()
add_executable(doravent-qn3 ${CMAKE_CURRENT_LIST_DIR}/qn3_tool.cpp)
target_link_libraries(doravent-qn3 PRIVATE doravent_qn3_commands)
include(GNUInstallDirs)
install(TARGETS doravent-qn3 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The recording and window tests run the commands in-process; their targets are made later, in
# tests/.
function(doravent_qn3_link_tests)
  foreach(t test_recording test_presentation test_app)
    if(TARGET ${t})
      target_link_libraries(${t} PRIVATE doravent_qn3_commands)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL doravent_qn3_link_tests)
