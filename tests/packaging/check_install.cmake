# cmake -DBUILD_DIR=<build tree> -DSOURCE_DIR=<source tree> -DPREFIX=<scratch dir>
#       -DPROGRAM_DIR=<dir of built harmora> -DWITH_GUIDE=<ON unless the build had no pandoc>
#       -P check_install.cmake
# Fails with a message naming each thing missing or invalid.
cmake_minimum_required(VERSION 3.22)

# The bitmap sizes desktops ask the hicolor theme for.
set(ICON_SIZES 16 24 32 48 64 128 256)

function(Fail text)
  message(SEND_ERROR "${text}")
endfunction()

function(ExpectFile path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    Fail("missing: ${path}")
  endif()
endfunction()

# The value of KEY= in the [Desktop Entry] file, or empty.
function(DesktopValue file key out)
  file(STRINGS "${file}" lines REGEX "^${key}=")
  list(GET lines 0 line)
  string(REGEX REPLACE "^${key}=([^ ]*).*" "\\1" value "${line}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Width and height from a PNG's IHDR chunk (bytes 16..23, big-endian).
function(PngSize file outWidth outHeight)
  file(READ "${file}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 magic)
  if(NOT magic STREQUAL "89504e470d0a1a0a")
    Fail("not a PNG: ${file}")
  endif()
  string(SUBSTRING "${header}" 32 8 w)
  string(SUBSTRING "${header}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${outWidth} ${w} PARENT_SCOPE)
  set(${outHeight} ${h} PARENT_SCOPE)
endfunction()

function(ExpectRtf file)
  ExpectFile("${file}")
  if(EXISTS "${file}")
    # Compared as bytes: "{\rtf" is 7b 5c 72 74 66.
    file(READ "${file}" head LIMIT 5 HEX)
    if(NOT head STREQUAL "7b5c727466")
      Fail("not RTF (starts with bytes ${head}): ${file}")
    endif()
  endif()
endfunction()

# Runs a validator on a file when the tool is present; its complaints fail the check.
function(Validate tool package file)
  find_program(${tool}_exe ${tool})
  set(exe ${${tool}_exe})
  if(NOT exe)
    message(WARNING "SKIPPED: ${tool} not found (Debian package ${package}); ${file} not validated")
    return()
  endif()
  execute_process(COMMAND ${exe} ${ARGN} "${file}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "${tool}: rc=${rc} ${out}${err}")
  # desktop-file-validate exits 0 on hints and warnings too: any output line is a complaint.
  if(NOT rc EQUAL 0 OR (tool STREQUAL "desktop-file-validate" AND NOT "${out}${err}" STREQUAL ""))
    Fail("${tool} rejects ${file}:\n${out}${err}")
  endif()
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}${err}")
endif()

set(share "${PREFIX}/share")
set(desktop "${share}/applications/harmora.desktop")
set(metainfo "${share}/metainfo/io.github.harmora.Harmora.metainfo.xml")

# The program and the command-line tool, runnable, and the tool's manual page.
foreach(program harmora harmora-fit)
  ExpectFile("${PREFIX}/bin/${program}")
  execute_process(COMMAND test -x "${PREFIX}/bin/${program}" RESULT_VARIABLE notExecutable)
  if(notExecutable)
    Fail("not executable: ${PREFIX}/bin/${program}")
  endif()
endforeach()
ExpectFile("${share}/man/man1/harmora-fit.1")

# The menu entry starts the installed program and names the installed icon.
ExpectFile("${desktop}")
ExpectFile("${metainfo}")
if(EXISTS "${desktop}")
  DesktopValue("${desktop}" Exec exec)
  DesktopValue("${desktop}" Icon icon)
  ExpectFile("${PREFIX}/bin/${exec}")
  ExpectFile("${share}/icons/hicolor/scalable/apps/${icon}.svg")
endif()
if(EXISTS "${metainfo}")
  file(READ "${metainfo}" xml)
  if(NOT xml MATCHES "<launchable type=\"desktop-id\">harmora.desktop</launchable>")
    Fail("the software-centre entry does not launch harmora.desktop")
  endif()
  if(xml MATCHES "@[A-Z_]+@")
    Fail("unexpanded placeholder in ${metainfo}")
  endif()
  # The interface is Russian, so the entry speaks Russian beside English.
  if(NOT xml MATCHES "<summary xml:lang=\"ru\">[^<]+</summary>")
    Fail("the software-centre entry lacks a Russian summary")
  endif()
  if(NOT xml MATCHES "<p xml:lang=\"ru\">")
    Fail("the software-centre entry lacks a Russian description")
  endif()
  # The screenshot is the repository's media/screenshot.png, at the size it really has.
  string(CONCAT image "<image type=\"source\" width=\"([0-9]+)\" height=\"([0-9]+)\">"
                "https://[^<]*/media/screenshot[.]png</image>")
  if(NOT xml MATCHES "${image}")
    Fail("the software-centre entry lacks the screenshot media/screenshot.png")
  else()
    set(statedWidth ${CMAKE_MATCH_1})
    set(statedHeight ${CMAKE_MATCH_2})
    PngSize("${SOURCE_DIR}/media/screenshot.png" w h)
    if(NOT w EQUAL statedWidth OR NOT h EQUAL statedHeight)
      Fail("the screenshot is ${w}x${h}; the entry says ${statedWidth}x${statedHeight}")
    endif()
  endif()
endif()

# Every bitmap size, rendered at its own size.
foreach(size IN LISTS ICON_SIZES)
  set(png "${share}/icons/hicolor/${size}x${size}/apps/harmora.png")
  ExpectFile("${png}")
  if(EXISTS "${png}")
    PngSize("${png}" w h)
    if(NOT w EQUAL size OR NOT h EQUAL size)
      Fail("${png} is ${w}x${h}, not ${size}x${size}")
    endif()
  endif()
endforeach()

# The user guide, installed and beside the built program, where the error messages send users.
if(WITH_GUIDE)
  ExpectRtf("${share}/doc/harmora/About.doc")
  ExpectRtf("${PROGRAM_DIR}/About.doc")
else()
  message(WARNING "SKIPPED: the build had no pandoc, so no user guide to check")
endif()

# The package's licence, in Debian's machine-readable copyright format, carrying LICENSE's text.
set(copyright "${share}/doc/harmora/copyright")
ExpectFile("${copyright}")
if(EXISTS "${copyright}")
  file(READ "${copyright}" dep5)
  foreach(field
      "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
      "\nUpstream-Name: Harmora\n"
      "\n\nFiles: [*]\nCopyright: [^\n]+\nLicense: MIT\n"
      "\n\nLicense: MIT\n ")
    if(NOT dep5 MATCHES "${field}")
      Fail("${copyright} lacks the DEP-5 field matching '${field}'")
    endif()
  endforeach()
  # The stand-alone License paragraph, unfolded: " ." is an empty line, the rest lose one blank.
  string(REGEX REPLACE ".*\n\nLicense: MIT(\n)" "\\1" licenseText "${dep5}")
  string(REGEX REPLACE "\n [.]\n" "\n\n" licenseText "${licenseText}")
  string(REPLACE "\n " "\n" licenseText "${licenseText}")
  file(READ "${SOURCE_DIR}/LICENSE" license)
  string(FIND "${license}" "Permission is hereby granted" start)
  string(SUBSTRING "${license}" ${start} -1 license)
  string(STRIP "${license}" license)
  string(STRIP "${licenseText}" licenseText)
  if(NOT licenseText STREQUAL license)
    Fail("the licence text in ${copyright} differs from LICENSE")
  endif()
endif()

Validate(desktop-file-validate desktop-file-utils "${desktop}")
Validate(appstreamcli appstream "${metainfo}" validate --no-net)
