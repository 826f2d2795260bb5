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
