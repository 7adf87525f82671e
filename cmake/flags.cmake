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
