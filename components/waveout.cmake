# Wave output devices: the sound card through PortAudio and a virtual device
# for tests and machines without sound. Buffer-done notifications are queued
# and handed out on the owner's thread. No Qt.
find_package(Threads REQUIRED)
add_library(waveout STATIC
  ${CMAKE_CURRENT_LIST_DIR}/src/wave/DoneQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/wave/VirtualOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/wave/PortAudio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/wave/PortAudioOutput.cpp)
target_include_directories(waveout PUBLIC ${CMAKE_CURRENT_LIST_DIR}/include)
target_link_libraries(waveout PUBLIC PkgConfig::PORTAUDIO Threads::Threads)
