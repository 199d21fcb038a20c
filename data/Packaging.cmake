# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME quillorn)
set(CPACK_PACKAGE_VENDOR "Quillorn")
set(CPACK_PACKAGE_CONTACT "Quillorn developers <quillorn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Manager for the Q417 digital voice recorder, with the Sonavel playback engine")
set(CPACK_PACKAGE_DESCRIPTION
    "Copies, plays, writes and erases the recordings of the Q417 voice recorder, plays and records voice,\n WAV and MP3 files, converts, edits and speed-plays them. Includes the q417 command-line tool\n and the Sonavel playback engine library.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_LICENSE GPL-3.0-or-later)
# Dependencies as Debian 12 names them, found from the linked libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/q417io ${CMAKE_BINARY_DIR}/engine
    ${CMAKE_BINARY_DIR}/components/src/wave)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info, desktop-file-utils")
include(CPack)
