# Installing the game the way a desktop and a distribution expect it
# (cmake --install build [--prefix P]), and the Debian package (cpack -G DEB).
# One id names the desktop entry, the AppStream metainfo and the icons.
set(KORVATH_APP_ID org.korvath.Korvath)
set(KORVATH_ICON_SIZES 16 22 24 32 48 64 128 256)
# The frames of assets/screenshots.script that the metainfo shows.
set(KORVATH_SCREENSHOTS battle.png map.png aim.png explosion.png menu.png)

# The icon theme's sizes, each drawn anew by the image tool rather than
# scaled from one bitmap.
set(icons)
foreach(size ${KORVATH_ICON_SIZES})
  set(dir ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps)
  add_custom_command(OUTPUT ${dir}/${KORVATH_APP_ID}.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND imagegen --icon ${size} ${dir}/${KORVATH_APP_ID}.png
      DEPENDS imagegen
      COMMENT "Drawing the ${size} px icon")
  list(APPEND icons ${dir}/${KORVATH_APP_ID}.png)
endforeach()
add_custom_target(korvath_icons ALL DEPENDS ${icons})

set(KORVATH_CONTACT "The Korvath developers <team@korvath.org>")
set(KORVATH_DEBIAN_REVISION 1)
configure_file(${PROJECT_SOURCE_DIR}/assets/korvath.6.in ${CMAKE_BINARY_DIR}/man/korvath.6 @ONLY)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/man/korvath-headless.6 CONTENT ".so man6/korvath.6\n")
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
korvath_changelogs(${PROJECT_SOURCE_DIR}/assets/${KORVATH_APP_ID}.metainfo.xml ${CMAKE_BINARY_DIR}/packaging
                   ${KORVATH_DEBIAN_REVISION} "${KORVATH_CONTACT}")

# The menu entry and the software centre's page in every language of po/:
# msgfmt writes each translated text beside the English one.
find_program(KORVATH_MSGFMT msgfmt REQUIRED)
file(GLOB translations CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po)
set(translated)
foreach(kind desktop xml)
  set(file ${KORVATH_APP_ID}.desktop)
  if(kind STREQUAL "xml")
    set(file ${KORVATH_APP_ID}.metainfo.xml)
  endif()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}
      COMMAND ${KORVATH_MSGFMT} --${kind} --template=${PROJECT_SOURCE_DIR}/assets/${file} -d ${PROJECT_SOURCE_DIR}/po
              -o ${CMAKE_BINARY_DIR}/packaging/${file}
      DEPENDS ${PROJECT_SOURCE_DIR}/assets/${file} ${translations} ${PROJECT_SOURCE_DIR}/po/LINGUAS
      COMMENT "Translating ${file}")
  list(APPEND translated ${CMAKE_BINARY_DIR}/packaging/${file})
endforeach()
add_custom_target(korvath_translated_entries ALL DEPENDS ${translated})

# Manual pages and changelogs are installed gzip'd, without the name and time
# stamp, so that two builds make the same package.
set(gzipped)
foreach(file man/korvath.6 man/korvath-headless.6 packaging/changelog packaging/changelog.Debian)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
      COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/${file}
      DEPENDS ${CMAKE_BINARY_DIR}/${file}
      COMMENT "Compressing ${file}")
  list(APPEND gzipped ${CMAKE_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(korvath_package_docs ALL DEPENDS ${gzipped})
# The layout, for the scripts that look at an install of this build.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/layout.sh
     CONTENT "KORVATH_INSTALL_BINDIR=@KORVATH_BINDIR@\nKORVATH_INSTALL_DATADIR=@KORVATH_DATADIR@\n" @ONLY)

install(TARGETS korvath-headless RUNTIME DESTINATION ${KORVATH_BINDIR})
install(DIRECTORY ${KORVATH_DATA_DIR}/ DESTINATION ${KORVATH_DATADIR})
install(FILES ${CMAKE_BINARY_DIR}/man/korvath.6.gz ${CMAKE_BINARY_DIR}/man/korvath-headless.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The screenshots are taken when installing rather than in every build: the
# headless host needs a few seconds for the script.
install(CODE "set(KORVATH_HEADLESS \"$<TARGET_FILE:korvath-headless>\")
  set(KORVATH_DATA_DIR \"${KORVATH_DATA_DIR}\")
  set(KORVATH_SCRIPT \"${PROJECT_SOURCE_DIR}/assets/screenshots.script\")
  set(KORVATH_SHOTS_DIR \"${CMAKE_BINARY_DIR}/screenshots\")
  set(KORVATH_SCREENSHOTS \"${KORVATH_SCREENSHOTS}\")
  set(KORVATH_SCREENSHOTS_DEST \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}/screenshots\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallScreenshots.cmake)
# The licences, the game's and its fonts', are in copyright (Debian's
# machine-readable format), so LICENSE itself is not installed.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
        ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(KORVATH_GAMES_LAYOUT)
  # Lintian names the files by their path in the package, without the first slash.
  string(REGEX REPLACE "^/" "" package_bindir ${KORVATH_FULL_BINDIR})
  string(REGEX REPLACE "^/" "" package_datadir ${KORVATH_FULL_DATADIR})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/lintian-overrides.in ${CMAKE_BINARY_DIR}/packaging/korvath @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/korvath DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)
endif()
# The menu entry, the software centre's page and the icons belong to the
# window program.
if(TARGET korvath)
  install(TARGETS korvath RUNTIME DESTINATION ${KORVATH_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${KORVATH_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${KORVATH_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()
# A stripped package (cpack) also loses the compiler's version notes, as
# Debian's own packages do.
set(programs korvath-headless)
if(TARGET korvath)
  list(APPEND programs korvath)
endif()
if(IS_ABSOLUTE ${KORVATH_BINDIR})
  set(bindir ${KORVATH_BINDIR})
else()
  set(bindir "\${CMAKE_INSTALL_PREFIX}/${KORVATH_BINDIR}")
endif()
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  foreach(program ${programs})
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\$ENV{DESTDIR}${bindir}/\${program}\"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"objcopy failed on \${program}\")
    endif()
  endforeach()
endif()")

# cpack -G DEB: the runtime libraries' packages are found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME korvath)
set(CPACK_PACKAGE_VENDOR "The Korvath developers")
set(CPACK_PACKAGE_CONTACT "${KORVATH_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D tank campaign across a map of Europe")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvath is a single-player tank campaign: pick a side and a level, watch the
front line move across a map of Europe, and fight each battle on a generated
landscape - drive, lay the gun, fire ballistic shells that dig craters, destroy
every enemy tank and capture the supply truck. Every pixel is drawn by the
game's own fixed-point software renderer.
.
The package holds the game in a window (korvath) and a headless program that
plays scripted games and writes their frames (korvath-headless).")
set(CPACK_PACKAGE_HOMEPAGE_URL https://korvath.org/)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KORVATH_DEBIAN_REVISION})
set(CPACK_GENERATOR DEB)
include(CPack)
