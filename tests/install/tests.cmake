# The install into a scratch prefix, then what a desktop and a player meet
# there. The build tree's sanitizer variants are never installed.
if(KORVATH_SANITIZE OR KORVATH_TSAN)
  return()
endif()
# A scratch prefix cannot hold folders given as absolute paths.
if(IS_ABSOLUTE ${KORVATH_BINDIR} OR IS_ABSOLUTE ${KORVATH_DATADIR})
  return()
endif()
set(prefix ${CMAKE_BINARY_DIR}/install-test)
set(check ${CMAKE_CURRENT_LIST_DIR}/check.sh)
add_test(NAME Install.Tree COMMAND ${check} install ${CMAKE_BINARY_DIR} ${prefix} ${KORVATH_APP_ID} ${KORVATH_ICON_SIZES})
set_tests_properties(Install.Tree PROPERTIES FIXTURES_SETUP KorvathInstalled)
add_test(NAME Install.ManualPage COMMAND ${check} manual ${prefix})
add_test(NAME Install.HeadlessBattleWithoutData COMMAND ${check} battle ${prefix})
add_test(NAME Install.MissingDataNamesTheFoldersTried COMMAND ${check} nodata ${prefix} ${KORVATH_INSTALLED_DATA_DIR})
set_tests_properties(Install.ManualPage Install.HeadlessBattleWithoutData Install.MissingDataNamesTheFoldersTried
    PROPERTIES FIXTURES_REQUIRED KorvathInstalled SKIP_RETURN_CODE 77)
if(TARGET korvath)
  add_test(NAME Install.DesktopEntryAndMetainfo COMMAND ${check} validate ${prefix} ${KORVATH_APP_ID}
      ${PROJECT_VERSION})
  set_tests_properties(Install.DesktopEntryAndMetainfo PROPERTIES FIXTURES_REQUIRED KorvathInstalled)
endif()
add_test(NAME Install.GameAloneWithoutTheTestLibraries COMMAND ${check} gameonly ${PROJECT_SOURCE_DIR}
    ${CMAKE_BINARY_DIR}/gameonly-test)
add_test(NAME Install.DebianPackage COMMAND ${check} package ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/package-test)
get_directory_property(tests TESTS)
list(FILTER tests INCLUDE REGEX "^Install\\.")
set_tests_properties(${tests} PROPERTIES
    ENVIRONMENT "KORVATH_INSTALL_BINDIR=${KORVATH_BINDIR};KORVATH_INSTALL_DATADIR=${KORVATH_DATADIR}")
# Both install from the same build tree; run in parallel they trip over each other.
set_tests_properties(Install.Tree Install.DebianPackage PROPERTIES RESOURCE_LOCK KorvathInstallTree)
