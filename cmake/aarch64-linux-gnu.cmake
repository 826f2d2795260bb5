# Cross build for 64-bit Arm Linux with Debian's g++-aarch64-linux-gnu; the tests run under
# qemu-user with the cross libraries as their root (apt-get install qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(HARMORA_CROSS_ROOT /usr/aarch64-linux-gnu)

set(CMAKE_FIND_ROOT_PATH ${HARMORA_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest, and GoogleTest's test discovery, run every test binary through this.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${HARMORA_CROSS_ROOT})

# Eigen's and Boost's headers are the same on every architecture, so the host's serve. Eigen is
# found through its own package file; Boost through a folder that holds only its headers, since
# adding the host's /usr/include would put x86-64 C library headers before the cross ones.
set(Eigen3_DIR /usr/share/eigen3/cmake CACHE PATH "Eigen's package file, from the host")
set(HARMORA_HOST_BOOST ${CMAKE_BINARY_DIR}/host-boost)
if(NOT EXISTS ${HARMORA_HOST_BOOST}/boost)
  file(MAKE_DIRECTORY ${HARMORA_HOST_BOOST})
  file(CREATE_LINK /usr/include/boost ${HARMORA_HOST_BOOST}/boost SYMBOLIC)
endif()
set(Boost_NO_BOOST_CMAKE ON CACHE BOOL "Boost's headers only, without the host's package files")
set(Boost_INCLUDE_DIR ${HARMORA_HOST_BOOST} CACHE PATH "Boost's headers, from the host")
