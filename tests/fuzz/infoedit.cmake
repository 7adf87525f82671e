# infoedit's option checks on arbitrary values, and its settings reader and
# writer: what is written reads back to the same values.
appliance_fuzz_target(fuzz_infoedit 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/infoedit_fuzz.cpp ${CMAKE_SOURCE_DIR}/infoedit/settings.cpp
          ${CMAKE_SOURCE_DIR}/infoedit/options.cpp
  INCLUDES ${CMAKE_SOURCE_DIR}/infoedit)
