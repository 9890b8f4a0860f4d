# SPDX-License-Identifier: MIT
# Installing beyond the two programs (icon, desktop entry) and the Debian package made by CPack.

# The window takes its icon from its resources; the desktop and the menu look it up by name.
install(FILES ${PROJECT_SOURCE_DIR}/window/icons/scalecheck.png
        DESTINATION share/icons/hicolor/32x32/apps)
install(FILES ${PROJECT_SOURCE_DIR}/window/icons/scalecheck.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/scalecheck.desktop DESTINATION share/applications)
# Debian wants the licence beside every package's documentation.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION share/doc/scalecheck)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scalecheck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "scalecheck developers")
set(CPACK_PACKAGE_CONTACT "Seed 0557582f maintainers <maintainers@users.noreply.c-seed-0557582f.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Modbus RTU link test for digital weighing indicators")
# One quoted string: as a list, the semicolon in it would be taken for a separator.
set(CPACK_PACKAGE_DESCRIPTION "\
scalecheck is the Modbus RTU master on an RS-485 or RS-232 line to a
digital weighing indicator. It reads the live gross weight and four groups
of instrument parameters (function 03 only; it never writes), checks every
reply, and shows the weight in large digits. scalecheck-sim, a simulated
indicator on a pseudo-terminal, comes with it for trying the tool without
an instrument.")
# Debug information stays out of the package: it is several times the size of the programs.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds the libraries the programs link (Qt, libmodbus, libc ...). Qt finds its
# platform plugin at run time, so no linked library names it: without qt6-qpa-plugins the window
# cannot open on X11 or Wayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The window's Chinese captions need a CJK font; any will do, this one is small. Qt's own
# translations put its dialogs (the file dialog, a message box's buttons) into Chinese as well;
# the programs' own English is built into them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")

include(CPack)
