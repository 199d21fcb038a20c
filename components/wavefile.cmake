# The wave-file component: reads WAV files of any format chunk by chunk and
# writes PCM WAV files. Plain C++ over libsndfile.
add_library(wavefile STATIC
  ${CMAKE_CURRENT_LIST_DIR}/src/wavefile/RiffWave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/wavefile/WaveFile.cpp)
target_include_directories(wavefile PUBLIC ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(wavefile PRIVATE PkgConfig::SNDFILE)
