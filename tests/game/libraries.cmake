# The game tests also run the korvath program on its headless host.
target_compile_definitions(test_game PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}")
add_dependencies(test_game korvath)
target_compile_definitions(test_game PRIVATE KORVATH_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
