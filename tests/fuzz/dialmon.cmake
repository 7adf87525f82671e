# The dial-file reader over arbitrary bytes, with what it lets through
# written into the PPP daemon's files: every quoted text closes where it
# should, and the connect line gives the shell nothing but its own words.
appliance_fuzz_target(fuzz_dial_settings 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dial_settings.cpp
          ${CMAKE_SOURCE_DIR}/dialmon/settings.cpp
          ${CMAKE_SOURCE_DIR}/dialmon/ppp_config.cpp
          ${CMAKE_SOURCE_DIR}/common/keyline.cpp
          ${CMAKE_SOURCE_DIR}/common/store.cpp
  INCLUDES ${CMAKE_SOURCE_DIR}/dialmon ${CMAKE_SOURCE_DIR}/common)
