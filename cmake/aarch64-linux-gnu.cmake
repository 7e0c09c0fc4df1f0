# Cross build for 64-bit Arm Linux with Debian's g++-aarch64-linux-gnu; the
# programs run under qemu-user (scripts/arm64-check).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and headers of the target only: the cross C library's folder and
# the prefixes given (GoogleTest built for arm64); programs of the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu ${KORVATH_TARGET_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not offer the build machine's libraries (SDL2) either.
set(ENV{PKG_CONFIG_LIBDIR} /usr/aarch64-linux-gnu/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# ctest and the test discovery run the arm64 programs through the emulator.
find_program(KORVATH_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(KORVATH_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVATH_QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
endif()
