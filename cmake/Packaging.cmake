# The Debian package: `cpack` in a build folder writes vantorel_<version>_amd64.deb
# with the taskbar, its desktop entry and icon, and the licence. The server and
# the test helpers are not part of it.
include(GNUInstallDirs)

set(VANTOREL_PACKAGE_MAINTAINER "Vantorel developers <packages@vantorel.app>"
    CACHE STRING "The Debian package's maintainer")

install(FILES ${PROJECT_SOURCE_DIR}/resources/vantorel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT taskbar)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/vantorel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT taskbar)

# Debian wants the licence as doc/<package>/copyright and a compressed changelog.
set(vantorel_doc ${CMAKE_INSTALL_DATADIR}/doc/vantorel)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE vantorel_licence)
string(REGEX REPLACE "\n\n" "\n.\n" vantorel_licence_text "${vantorel_licence}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" vantorel_licence_text "${vantorel_licence_text}")
file(WRITE ${CMAKE_BINARY_DIR}/package/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vantorel

Files: *
Copyright: 2026 The Vantorel developers
License: MIT
 ${vantorel_licence_text}")
string(TIMESTAMP vantorel_package_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/package/changelog
"vantorel (${PROJECT_VERSION}) stable; urgency=medium

  * Vantorel ${PROJECT_VERSION}. What changed for users is in
    /usr/share/doc/vantorel/CHANGELOG.md and in the program's What's New window.

 -- ${VANTOREL_PACKAGE_MAINTAINER}  ${vantorel_package_date}
")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/package/changelog > ${CMAKE_BINARY_DIR}/package/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/package/changelog VERBATIM)
add_custom_target(vantorel_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/vantorel.1.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/resources/vantorel.1 > ${CMAKE_BINARY_DIR}/package/vantorel.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/vantorel.1 VERBATIM)
add_custom_target(vantorel_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/package/vantorel.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/vantorel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT taskbar)
install(FILES ${CMAKE_BINARY_DIR}/package/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
              ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${vantorel_doc} COMPONENT taskbar)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VENDOR "The Vantorel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VANTOREL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# One package of the taskbar component only.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Vantorel;taskbar;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTOREL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "taskbar for X11 desktops")
# The synopsis is the summary; this is the extended description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantorel stands along the bottom of every display: a start button with a
searchable launcher, pinned and running applications with live window
previews, window commands, and a tray with a clock and calendar. It can
record, transcribe and summarise meetings on this computer.")
# The shared libraries the executable links, with their versions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Installing updates goes through PackageKit; recording and speech through the
# GStreamer plugins and the speech model; the welcome window's marks are emoji.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "packagekit, gstreamer1.0-plugins-good, gstreamer1.0-pulseaudio, gstreamer1.0-libav, pocketsphinx-en-us, fonts-noto-color-emoji")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
