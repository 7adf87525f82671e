# Flags of the whole build, for both word sizes. Included once, before any
# target is declared.

# 64-bit file offsets and inode numbers, and a 64-bit time_t, on i386 as on
# x86_64: no stat, open, seek or time call fails or wraps because of the
# word size, and the appliance keeps its clock past 2038.
add_compile_definitions(_FILE_OFFSET_BITS=64 _TIME_BITS=64)

# Hardened as Debian hardens its own packages: the flags dpkg-buildflags
# gives with DEB_BUILD_MAINT_OPTIONS=hardening=+all (dpkg 1.21, bookworm).
# Fortification needs optimisation, so the unoptimised (sanitizer) build
# goes without it; its sanitizers check more than fortification would.
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_compile_options(-Wdate-time -fstack-protector-strong -Wformat -Werror=format-security)
add_link_options(-Wl,-z,relro -Wl,-z,now)
# Bound at start, calls need no lazy-binding stubs: calling through the
# read-only GOT saves a stub per imported function, which keeps the i386
# programs within their flash budget with the protections above.
add_compile_options(-fno-plt)
# Position-independent executables (Debian's compiler makes them by
# default; said here so that any compiler does).
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()

# The appliance: any 32-bit x86 Linux target, whatever toolchain file names
# its compilers. Its programs are built small and optimised whole (link-time
# optimisation: small helpers of one module inlined into another, unused
# ones dropped), in every configuration but the unoptimised one.
set(APPLIANCE_TARGET_I386 OFF)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86|X86)$")
  set(APPLIANCE_TARGET_I386 ON)
endif()
if(APPLIANCE_TARGET_I386 AND NOT APPLIANCE_SANITIZE)
  set(_small "$<NOT:$<CONFIG:Debug>>")
  add_compile_options("$<${_small}:-Os>" "$<${_small}:-ffunction-sections>" "$<${_small}:-fdata-sections>")
  # No page-aligned separate code segment: on a small flash it would cost
  # 8 KB of padding per program. No build id: nothing on the appliance reads it.
  add_link_options("$<${_small}:LINKER:--gc-sections,--as-needed,-z,noseparate-code,--build-id=none>")
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(APPLIANCE_WHOLE_PROGRAM_OPTIMISATION ON)
  endif()
  # The unit tests of a cross build run under qemu-user, unless the
  # toolchain file names another way of running the target's programs.
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(QEMU_I386 qemu-i386-static)
    if(QEMU_I386)
      set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
    endif()
  endif()
endif()

# No path of the machine that built it in a program: the sources and the
# build directory are named relative to the top of each.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
