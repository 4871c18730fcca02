# Cross build for 64-bit ARM (aarch64) on a Debian machine:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# with Debian's cross compilers (crossbuild-essential-arm64) and the :arm64
# libraries (dpkg --add-architecture arm64).  The tests run under QEMU's
# user-mode emulation (qemu-user-static).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# The cross pkg-config (pkgconf:arm64) reads the :arm64 libraries' .pc files.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for the target")

# The cross toolchain's own folder, and / for the multiarch :arm64 packages,
# which live in /usr/lib/aarch64-linux-gnu: with the first alone GoogleTest
# and libusb are not found.  Programs are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Built programs (the tests, and the tool the tests run) run through the
# emulator.  Without -L: with the cross loader from /usr/aarch64-linux-gnu,
# every fork()ed child spins at full CPU before its exec under QEMU 7.2; the
# multiarch loader in /lib (libc6:arm64) works.
find_program(QEMU_AARCH64 qemu-aarch64-static)
if(QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64})
endif()
