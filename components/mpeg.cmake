# MPEG audio file information over libmpg123.
add_library(mpeginfo STATIC ${CMAKE_CURRENT_LIST_DIR}/src/mpeg/MpegInfo.cpp)
target_include_directories(mpeginfo PUBLIC ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(mpeginfo PUBLIC PkgConfig::MPG123)
