# The 3D tests read the generated model file and the model textures.
add_dependencies(test_render3d korvath_models korvath_app_library)
