# appliance_program(NAME [SOURCES ...] [COMMON ...] [LIBS ...])
#
# Declares one appliance program from NAME/main.cpp plus its modules.
# The modules (every source but main.cpp) also form the static library
# NAME_lib, so unit tests can link them. COMMON names pieces of common/
# (targets common_<piece>) compiled into the program; LIBS names extra
# C libraries (only crypt is allowed on the appliance).
set(APPLIANCE_PRODUCT_FLAGS -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -Wall -Wextra)

if(APPLIANCE_WHOLE_PROGRAM_OPTIMISATION)
  include(CheckIPOSupported)
  check_ipo_supported()
endif()

function(appliance_product_flags target)
  target_compile_options(${target} PRIVATE ${APPLIANCE_PRODUCT_FLAGS})
  if(APPLIANCE_WHOLE_PROGRAM_OPTIMISATION)
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
  endif()
  if(APPLIANCE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
  endif()
endfunction()

function(appliance_program name)
  cmake_parse_arguments(P "" "" "SOURCES;COMMON;LIBS" ${ARGN})
  set(common_targets "")
  foreach(piece IN LISTS P_COMMON)
    list(APPEND common_targets common_${piece})
  endforeach()
  if(P_SOURCES)
    add_library(${name}_lib STATIC ${P_SOURCES})
    target_include_directories(${name}_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name}_lib PUBLIC ${common_targets} ${P_LIBS})
    appliance_product_flags(${name}_lib)
    set(deps ${name}_lib)
  else()
    set(deps ${common_targets} ${P_LIBS})
  endif()
  add_executable(${name} main.cpp)
  target_link_libraries(${name} PRIVATE ${deps})
  appliance_product_flags(${name})
  # Link with the C driver: a product never needs the C++ runtime library,
  # and a stray dependency on it fails here instead of on the appliance.
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE C)
  if(APPLIANCE_SANITIZE)
    target_link_options(${name} PRIVATE -fsanitize=address,undefined)
  endif()
  install(TARGETS ${name} RUNTIME DESTINATION bin COMPONENT programs)
endfunction()

# appliance_common(PIECE SOURCES ...): a piece of common/ as a static library.
function(appliance_common piece)
  add_library(common_${piece} STATIC ${ARGN})
  target_include_directories(common_${piece} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  appliance_product_flags(common_${piece})
endfunction()

# appliance_fuzz_target(NAME SECONDS SOURCES ... [INCLUDES ...]): a libFuzzer
# target built with clang (when it is installed) and run as a test for the
# given number of seconds.
function(appliance_fuzz_target name seconds)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES" ${ARGN})
  find_program(CLANGXX clang++)
  if(NOT CLANGXX OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  set(incs "")
  foreach(dir IN LISTS F_INCLUDES)
    list(APPEND incs -I${dir})
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
            -fno-exceptions ${incs} ${F_SOURCES} -o ${out}
    DEPENDS ${F_SOURCES}
    COMMENT "fuzz target ${name}" VERBATIM)
  add_custom_target(${name}_build ALL DEPENDS ${out})
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ${out} -max_total_time=${seconds} -rss_limit_mb=1024 ${corpus})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
  file(MAKE_DIRECTORY ${corpus})
endfunction()
