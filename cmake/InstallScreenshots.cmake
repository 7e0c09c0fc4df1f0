# Install step: plays the screenshot script on the headless host and installs
# the frames the metainfo shows, so a packager can put them on the web site.
file(REMOVE_RECURSE ${KORVATH_SHOTS_DIR})
file(MAKE_DIRECTORY ${KORVATH_SHOTS_DIR})
execute_process(COMMAND ${KORVATH_HEADLESS} --data ${KORVATH_DATA_DIR} --script ${KORVATH_SCRIPT} --until 37000
    WORKING_DIRECTORY ${KORVATH_SHOTS_DIR} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Taking the screenshots failed (${status}): ${out}")
endif()
list(TRANSFORM KORVATH_SCREENSHOTS PREPEND ${KORVATH_SHOTS_DIR}/)
file(INSTALL ${KORVATH_SCREENSHOTS} DESTINATION ${KORVATH_SCREENSHOTS_DEST})
