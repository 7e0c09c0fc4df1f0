# The test battlefield reads the generated models and image library.
add_dependencies(test_physics korvath_models korvath_app_library)
