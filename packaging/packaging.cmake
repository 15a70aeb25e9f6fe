# The desktop entry, MIME type and icon: embedded for the "Associate" command (read as
# :/packaging/<file>) and installed with the program.
qt_add_resources(doravent_app doravent_packaging
  PREFIX /packaging
  BASE ${CMAKE_CURRENT_LIST_DIR}
  FILES
    ${CMAKE_CURRENT_LIST_DIR}/doravent.desktop
    ${CMAKE_CURRENT_LIST_DIR}/doravent-qn3.xml
    ${CMAKE_CURRENT_LIST_DIR}/doravent.svg)

include(GNUInstallDirs)
install(TARGETS doravent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/doravent.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/doravent-qn3.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/doravent.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
