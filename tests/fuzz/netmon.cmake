# The /proc/net/dev, counter-file and masquerading-listing line parsers.
appliance_fuzz_target(fuzz_netmon 5
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/netmon_fuzz.cpp
          ${CMAKE_SOURCE_DIR}/pktcount/netdev.cpp
          ${CMAKE_SOURCE_DIR}/pktcount/counters.cpp
          ${CMAKE_SOURCE_DIR}/common/store.cpp
          ${CMAKE_SOURCE_DIR}/masqflush/listing.cpp
          ${CMAKE_SOURCE_DIR}/masqflush/masqctl.cpp
  INCLUDES ${CMAKE_SOURCE_DIR}/pktcount ${CMAKE_SOURCE_DIR}/masqflush ${CMAKE_SOURCE_DIR}/common)
