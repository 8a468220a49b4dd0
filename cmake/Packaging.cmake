# The release packages, zipped by CPack with no top-level folder. The version is
# the product version of the version resource, the one the About box shows.
#   Windows: vantor-<version>-win64.zip, vantor.exe (stripped) with the four
#     backdrops beside it, where it looks for them, and the player's README.txt.
#   Browser: vantor-<version>-web.zip, the page with everything it loads, to
#     unzip into any static web server's folder, and a README.txt on serving it.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/vantor.rc VANTOR_VERSION_LINE REGEX "VALUE \"ProductVersion\"")
if(NOT VANTOR_VERSION_LINE MATCHES "\"ProductVersion\", \"([0-9.]+)\"")
  message(FATAL_ERROR "res/vantor.rc holds no ProductVersion for the package name")
endif()
set(VANTOR_PACKAGE_VERSION ${CMAKE_MATCH_1})

if(EMSCRIPTEN)
  install(DIRECTORY ${VANTOR_SITE}/ DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/res/README-web.txt DESTINATION . RENAME README.txt)
  set(CPACK_PACKAGE_FILE_NAME vantor-${VANTOR_PACKAGE_VERSION}-web)
else()
  install(TARGETS vantor RUNTIME DESTINATION .)
  install(FILES
    ${PROJECT_SOURCE_DIR}/assets/terre.bmp
    ${PROJECT_SOURCE_DIR}/assets/mars.bmp
    ${PROJECT_SOURCE_DIR}/assets/saturne.bmp
    ${PROJECT_SOURCE_DIR}/assets/jupiter.bmp
    DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/res/README-player.txt DESTINATION . RENAME README.txt)
  set(CPACK_PACKAGE_FILE_NAME vantor-${VANTOR_PACKAGE_VERSION}-win64)
  set(CPACK_STRIP_FILES ON)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vantor)
set(CPACK_PACKAGE_VENDOR Vantor)
set(CPACK_PACKAGE_VERSION ${VANTOR_PACKAGE_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
