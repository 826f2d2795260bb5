# Installation, desktop integration, the user guide About.doc and the Debian package.
# Included from the top CMakeLists.txt after the program's target `harmora` exists.

include(GNUInstallDirs)
# Debian keeps a package's documents under its own lower-case name, where GNUInstallDirs would
# use the project's name, Harmora.
set(HARMORA_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/harmora"
    CACHE PATH "Where the user guide About.doc is installed")

set(HARMORA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(HARMORA_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
# For the software-centre entry: the date of the release named by project(VERSION), to be
# changed with it, and the licence, an SPDX expression (none has been chosen yet).
set(HARMORA_RELEASE_DATE "2026-12-07")
set(HARMORA_PROJECT_LICENSE "MIT")
# AppStream takes a screenshot only as a web address, never as a file of the package: the
# repository's copy of media/screenshot.png (600 x 560, as the entry states).
set(HARMORA_SCREENSHOT_URL
    "https://raw.githubusercontent.com/harmora/harmora/main/media/screenshot.png"
    CACHE STRING "Web address of the screenshot shown by software centres")

# --- The user guide ----------------------------------------------------------------------
# About.doc is RTF (opens in any word processor), made from the Markdown guide. The error
# messages send the user to it and the open dialog starts in the program's own directory, so a
# copy sits next to the built program as well as in the installed documents.
# Without pandoc the program builds and installs all the same, only without the guide.
find_program(HARMORA_PANDOC pandoc)
if(HARMORA_PANDOC)
  set(HARMORA_WITH_GUIDE ON)
else()
  set(HARMORA_WITH_GUIDE OFF)
  message(WARNING
    "pandoc not found: the user guide About.doc is not built or installed. Install it (Debian: "
    "apt-get install pandoc) or run scripts/setup test.")
endif()

if(HARMORA_WITH_GUIDE)
  set(HARMORA_GUIDE_SOURCE ${PROJECT_SOURCE_DIR}/docs/user_guide.md)
  set(HARMORA_GUIDE ${HARMORA_PACKAGING_OUT}/About.doc)
  add_custom_command(
    OUTPUT ${HARMORA_GUIDE}
    COMMAND ${HARMORA_PANDOC} -s -f markdown -t rtf "--metadata=date:Version ${PROJECT_VERSION}"
            -o ${HARMORA_GUIDE} ${HARMORA_GUIDE_SOURCE}
    DEPENDS ${HARMORA_GUIDE_SOURCE}
    COMMENT "Writing the user guide About.doc"
    VERBATIM)
  # The program's directory, spelled out: a custom command's output cannot name a target.
  get_target_property(HARMORA_PROGRAM_DIR harmora RUNTIME_OUTPUT_DIRECTORY)
  if(NOT HARMORA_PROGRAM_DIR)
    get_target_property(HARMORA_PROGRAM_DIR harmora BINARY_DIR)
  endif()
  add_custom_command(
    OUTPUT ${HARMORA_PROGRAM_DIR}/About.doc
    COMMAND ${CMAKE_COMMAND} -E copy ${HARMORA_GUIDE} ${HARMORA_PROGRAM_DIR}/About.doc
    DEPENDS ${HARMORA_GUIDE}
    VERBATIM)
  add_custom_target(harmora_guide ALL DEPENDS ${HARMORA_GUIDE} ${HARMORA_PROGRAM_DIR}/About.doc)
  # Building just the program (scripts/run does) still puts the guide beside it.
  add_dependencies(harmora harmora_guide)
endif()

# --- Icons -------------------------------------------------------------------------------
# The SVG is installed as the scalable icon; the fixed sizes are rendered from it at build time
# for desktops that prefer bitmaps.
set(HARMORA_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/harmora.svg)
set(HARMORA_ICON_SIZES 16 24 32 48 64 128 256)
set(HARMORA_ICON_DIR ${HARMORA_PACKAGING_OUT}/icons)

add_executable(harmora_render_icon ${HARMORA_PACKAGING_DIR}/render_icon.cpp)
target_link_libraries(harmora_render_icon PRIVATE harmora_options Qt6::Gui Qt6::Svg)

list(LENGTH HARMORA_ICON_SIZES HARMORA_ICON_COUNT)
set(HARMORA_ICON_PNGS)
foreach(size IN LISTS HARMORA_ICON_SIZES)
  list(APPEND HARMORA_ICON_PNGS ${HARMORA_ICON_DIR}/${size}x${size}/apps/harmora.png)
endforeach()
add_custom_command(
  OUTPUT ${HARMORA_ICON_PNGS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:harmora_render_icon> ${HARMORA_ICON_SVG} ${HARMORA_ICON_DIR}
          ${HARMORA_ICON_SIZES}
  DEPENDS harmora_render_icon ${HARMORA_ICON_SVG}
  COMMENT "Rendering the program icon in ${HARMORA_ICON_COUNT} sizes"
  VERBATIM)
add_custom_target(harmora_icons ALL DEPENDS ${HARMORA_ICON_PNGS})

# --- Software-centre entry ---------------------------------------------------------------
set(HARMORA_METAINFO ${HARMORA_PACKAGING_OUT}/io.github.harmora.Harmora.metainfo.xml)
configure_file(${HARMORA_PACKAGING_DIR}/io.github.harmora.Harmora.metainfo.xml.in
               ${HARMORA_METAINFO} @ONLY)

# --- Install rules -----------------------------------------------------------------------
install(TARGETS harmora harmora-fit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/harmora-fit.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${HARMORA_PACKAGING_DIR}/harmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${HARMORA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${HARMORA_ICON_SVG}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS HARMORA_ICON_SIZES)
  install(FILES ${HARMORA_ICON_DIR}/${size}x${size}/apps/harmora.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
if(HARMORA_WITH_GUIDE)
  install(FILES ${HARMORA_GUIDE} DESTINATION ${HARMORA_INSTALL_DOCDIR})
endif()
# Debian reads a package's licence from doc/<package>/copyright in its machine-readable format;
# the file carries the text of LICENSE, which the packaging test compares.
install(FILES ${HARMORA_PACKAGING_DIR}/copyright DESTINATION ${HARMORA_INSTALL_DOCDIR})

# --- Debian package (cpack -G DEB) -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harmora)
set(CPACK_PACKAGE_VENDOR "Harmora developers")
set(CPACK_PACKAGE_CONTACT "Harmora developers <harmora@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "harmonic regression: fit a sum of sinusoids to data")
# One string with its own line breaks: dpkg shows the long description as written.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Harmora fits a sum of one to five sinusoids, and the square of such a sum,\n"
  "to up to 100 (x, y) observations read from a text file, drawing the\n"
  "observations and the fitted curves while the random-start search runs.\n"
  "A report lists both formulas with their coefficients, their relative\n"
  "deviations and a frequency/period table.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Harmora developers <harmora@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from dpkg-shlibdeps (dpkg-dev); the report's fixed-pitch font
# falls back to Liberation Mono where Courier New is missing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
include(CPack)
