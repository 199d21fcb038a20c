# The recorder jobs: get, put, rm, up, down, move, format and recover.
target_link_libraries(q417 PRIVATE recorder_jobs)
