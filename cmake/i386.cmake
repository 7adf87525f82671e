# The appliance: 32-bit x86 Linux, C library only, built small.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i386)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
# No page-aligned separate code segment: on a small flash it would cost
# 8 KB of padding per program. PIE and RELRO stay on.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -Wl,--gc-sections -Wl,--as-needed -Wl,-z,noseparate-code -Wl,--build-id=none")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
# The programs are optimised whole (link-time optimisation): small helpers
# of one module inlined into another, unused ones dropped.
set(APPLIANCE_WHOLE_PROGRAM_OPTIMISATION ON)
set(CMAKE_C_FLAGS_MINSIZEREL_INIT "-Os -ffunction-sections -fdata-sections -DNDEBUG")
set(CMAKE_CXX_FLAGS_MINSIZEREL_INIT "-Os -ffunction-sections -fdata-sections -DNDEBUG")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH /usr/lib/i386-linux-gnu)
find_program(QEMU_I386 qemu-i386-static)
if(QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
endif()
