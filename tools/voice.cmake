# The encode and decode commands convert through the voice library.
target_link_libraries(q417 PRIVATE voice)
