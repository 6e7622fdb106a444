# Cross build for 32-bit ARM Linux, hard-float, with Debian's
# arm-linux-gnueabihf cross compiler (package g++-arm-linux-gnueabihf).
#
#   scripts/armhf-sysroot.sh build-armhf/sysroot
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
#
# The C and C++ runtimes the program links against are the cross compiler's
# own. zlib, GoogleTest and the CUPS headers come from JEX_ARMHF_SYSROOT
# (default build-armhf/sysroot in the source tree), Debian armhf packages
# unpacked there by scripts/armhf-sysroot.sh; so does the target's root the
# tests run in under qemu-arm (package qemu-user), CMake's emulator here.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

if(NOT JEX_ARMHF_SYSROOT)
  get_filename_component(JEX_ARMHF_SYSROOT
    "${CMAKE_CURRENT_LIST_DIR}/../build-armhf/sysroot" ABSOLUTE)
endif()
set(JEX_ARMHF_SYSROOT "${JEX_ARMHF_SYSROOT}" CACHE PATH
    "Unpacked Debian armhf packages: the target's libraries and headers")
# try_compile() projects read this file again and must see the same root.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES JEX_ARMHF_SYSROOT)
if(NOT EXISTS "${JEX_ARMHF_SYSROOT}/lib/ld-linux-armhf.so.3")
  message(FATAL_ERROR "No armhf sysroot at ${JEX_ARMHF_SYSROOT}: "
          "run scripts/armhf-sysroot.sh first")
endif()

# Libraries, headers and package configurations only from the sysroot;
# build tools from this machine.
set(CMAKE_FIND_ROOT_PATH "${JEX_ARMHF_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The cross compiler also searches this machine's /usr/include: put the
# target's headers (the CUPS ones are included without a find module) ahead
# of it. The sysroot holds no C library headers, so the toolchain's own
# still win.
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "${JEX_ARMHF_SYSROOT}/usr/include")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${JEX_ARMHF_SYSROOT}/usr/include")

# Shared libraries of the sysroot name their dependencies by soname only;
# the linker finds those here.
set(_jex_rpath_link
  "-Wl,-rpath-link,${JEX_ARMHF_SYSROOT}/lib/arm-linux-gnueabihf:${JEX_ARMHF_SYSROOT}/usr/lib/arm-linux-gnueabihf")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_jex_rpath_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_jex_rpath_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_jex_rpath_link}")

# Target programs (tests, test discovery, and the backend started by the
# process tests) run in user-mode emulation, with the sysroot as the root in
# which the target's dynamic loader looks for ld-linux-armhf.so.3 and the
# libraries under /lib/arm-linux-gnueabihf and /usr/lib/arm-linux-gnueabihf.
find_program(JEX_QEMU_ARM qemu-arm)
if(NOT JEX_QEMU_ARM)
  message(FATAL_ERROR "qemu-arm not found (Debian package qemu-user)")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${JEX_QEMU_ARM};-L;${JEX_ARMHF_SYSROOT}")
