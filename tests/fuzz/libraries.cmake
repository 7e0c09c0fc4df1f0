# The fuzz tests read the harnesses' own support headers.
target_include_directories(test_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/fuzz)
