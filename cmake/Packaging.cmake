# The Windows release package: vantor.exe (stripped), the four backdrops beside
# it and the player's README.txt, zipped by CPack as vantor-<version>-win64.zip
# with no top-level folder: unzipped into a folder of the player's choice, the
# game and its pictures sit side by side, where it looks for them. The version
# is the product version of the version resource, the one the About box shows.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/vantor.rc VANTOR_VERSION_LINE REGEX "VALUE \"ProductVersion\"")
if(NOT VANTOR_VERSION_LINE MATCHES "\"ProductVersion\", \"([0-9.]+)\"")
  message(FATAL_ERROR "res/vantor.rc holds no ProductVersion for the package name")
endif()
set(VANTOR_PACKAGE_VERSION ${CMAKE_MATCH_1})

install(TARGETS vantor RUNTIME DESTINATION .)
install(FILES
  ${PROJECT_SOURCE_DIR}/assets/terre.bmp
  ${PROJECT_SOURCE_DIR}/assets/mars.bmp
  ${PROJECT_SOURCE_DIR}/assets/saturne.bmp
  ${PROJECT_SOURCE_DIR}/assets/jupiter.bmp
  DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/res/README-player.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vantor)
set(CPACK_PACKAGE_VENDOR Vantor)
set(CPACK_PACKAGE_VERSION ${VANTOR_PACKAGE_VERSION})
set(CPACK_PACKAGE_FILE_NAME vantor-${VANTOR_PACKAGE_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
