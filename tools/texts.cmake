# The message texts: the tool looks keys up in Q417.ini like the application,
# and finds a copy beside itself in the build tree.
target_link_libraries(q417 PRIVATE texts)
target_compile_definitions(q417 PRIVATE QUILLORN_DATA_DIR="${QUILLORN_DATA_DIR}")
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/Q417.ini
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/data/Q417.ini ${CMAKE_CURRENT_BINARY_DIR}/Q417.ini
  DEPENDS ${PROJECT_SOURCE_DIR}/data/Q417.ini)
add_custom_target(q417_texts ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/Q417.ini)
add_dependencies(q417 q417_texts)
