# The Debian package: the program, the recording tool, the trace viewer, the desktop entry, the
# recordings' MIME type and the icon. Built by scripts/package; the version is the project's.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME doravent)
set(CPACK_PACKAGE_VENDOR Doravent)
set(CPACK_PACKAGE_CONTACT "Doravent developers <dev@doravent.local>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Photo-finish and timing of dog races")
set(CPACK_PACKAGE_DESCRIPTION "A camera watches the goal line; each heat's frames are recorded
with their capture time stamps. The operator places the goal line and takes
each dog's run time from the picture where it reaches the line; the results
are ranked, exported and printed. Includes doravent-qn3, which inspects
recordings without the window, and the trace viewer doravent-trace.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The dependencies are read from the libraries the programs link, so they never drift from the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interface kit's library is opened at run time when the machine has it; without it the heats
# are started from the window.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libphidget22)
# A build with debug information would make a package many times the size.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Packing (and the package test, which packs the tree it runs in) never starts a build of everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
