# The desktop tests drive the SDL host in-process (SDL's dummy drivers) and
# run the korvath program.
target_link_libraries(test_desktop PRIVATE korvath_host_sdl korvath_headless)
target_compile_definitions(test_desktop PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}")
add_dependencies(test_desktop korvath)
