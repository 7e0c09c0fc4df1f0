# The 3D tests read the generated model file and the model textures.
add_dependencies(test_render3d korvath_models korvath_app_library)
target_compile_definitions(test_render3d PRIVATE KORVATH_BIN_DIR="${KORVATH_BIN_DIR}")
# The viewer tests run the headless program, which every build has.
add_dependencies(test_render3d korvath-headless)
