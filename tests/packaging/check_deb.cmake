# cmake -DCPACK_CONFIG=<build>/CPackConfig.cmake -DOUT_DIR=<scratch dir> -P check_deb.cmake
# Builds the .deb with cpack and checks what apt and dpkg will see in it.
cmake_minimum_required(VERSION 3.24)

find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS)
  message(WARNING "SKIPPED: dpkg-deb or dpkg-shlibdeps not found (Debian package dpkg-dev)")
  return()
endif()

file(REMOVE_RECURSE "${OUT_DIR}")
get_filename_component(cmakeBin "${CMAKE_COMMAND}" DIRECTORY)
execute_process(COMMAND "${cmakeBin}/cpack" --config "${CPACK_CONFIG}" -G DEB -B "${OUT_DIR}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc}):\n${out}${err}")
endif()
file(GLOB debs "${OUT_DIR}/harmora_*_*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one harmora_<version>_<arch>.deb in ${OUT_DIR}, found: ${debs}")
endif()

execute_process(COMMAND ${DPKG_DEB} -f ${debs} Package Section Maintainer Depends
                OUTPUT_VARIABLE fields RESULT_VARIABLE rc)
execute_process(COMMAND ${DPKG_DEB} -c ${debs} OUTPUT_VARIABLE contents)
message(STATUS "${fields}")

foreach(expected
    "Package: harmora\n"
    "Section: science\n"
    "Maintainer: Harmora developers <harmora@localhost>\n"
    # Found by dpkg-shlibdeps from the program's links, and the report's fallback font.
    "libqt6widgets6" "libqt6svg6" "libqt6gui6" "libqt6core6" "fonts-liberation2")
  string(FIND "${fields}" "${expected}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "control fields lack '${expected}':\n${fields}")
  endif()
endforeach()

foreach(path
    ./usr/bin/harmora
    ./usr/share/applications/harmora.desktop
    ./usr/share/metainfo/io.github.harmora.Harmora.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/harmora.svg
    ./usr/share/icons/hicolor/48x48/apps/harmora.png
    ./usr/share/doc/harmora/About.doc
    ./usr/share/doc/harmora/copyright)
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the package lacks ${path}")
  endif()
endforeach()
