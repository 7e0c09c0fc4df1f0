# The host tests drive both hosts in-process and run the korvath program.
target_link_libraries(test_host PRIVATE korvath_host_sdl korvath_headless)
target_compile_definitions(test_host PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}")
add_dependencies(test_host korvath)
