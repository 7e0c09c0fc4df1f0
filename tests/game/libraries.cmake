# The game tests also run the korvath-headless program.
target_compile_definitions(test_game PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}")
add_dependencies(test_game korvath-headless)
target_compile_definitions(test_game PRIVATE KORVATH_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(test_game PRIVATE korvath_terrain_scene)
