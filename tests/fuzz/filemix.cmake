# Unscrambling whatever bytes a damaged or hostile file holds.
appliance_fuzz_target(fuzz_filemix 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/filemix_decode.cpp ${CMAKE_SOURCE_DIR}/filemix/mix.cpp
  INCLUDES ${CMAKE_SOURCE_DIR}/filemix)
