# Message texts: the private-profile INI reader and the message-text table
# with its character-set decoding. Plain C++ (iconv from the C library).
add_library(texts STATIC
  ${CMAKE_CURRENT_LIST_DIR}/src/texts/IniFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/texts/Charset.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/texts/MessageTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/texts/IniSearch.cpp)
target_include_directories(texts PUBLIC ${CMAKE_CURRENT_LIST_DIR}/include)
