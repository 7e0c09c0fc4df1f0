# The host tests drive the platform-neutral frame and the headless host
# in-process and run the korvath-headless program; no window system.
target_link_libraries(test_host PRIVATE korvath_headless)
target_compile_definitions(test_host PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}" KORVATH_VERSION="${PROJECT_VERSION}")
add_dependencies(test_host korvath-headless)
