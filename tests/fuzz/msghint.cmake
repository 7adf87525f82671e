# The keyword file parser over arbitrary bytes, and the keyword tree and
# fast log reader against the plain reader on arbitrary keywords and logs.
set(_msghint_src ${CMAKE_SOURCE_DIR}/msghint/keyword.cpp ${CMAKE_SOURCE_DIR}/msghint/config.cpp
    ${CMAKE_SOURCE_DIR}/msghint/keytree.cpp ${CMAKE_SOURCE_DIR}/msghint/logscan.cpp
    ${CMAKE_SOURCE_DIR}/msghint/plain.cpp)
appliance_fuzz_target(fuzz_msghint_conf 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/msghint_conf.cpp ${_msghint_src}
  INCLUDES ${CMAKE_SOURCE_DIR}/msghint ${CMAKE_SOURCE_DIR}/common)
appliance_fuzz_target(fuzz_msghint_match 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/msghint_match.cpp ${_msghint_src}
  INCLUDES ${CMAKE_SOURCE_DIR}/msghint ${CMAKE_SOURCE_DIR}/common)
