# Included from cli/CMakeLists.txt.
add_executable(vorn_cli_tests
  ${CMAKE_SOURCE_DIR}/tests/cli/cli_files_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/cli_options_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/csv_input_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/executable_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/experiments_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/input_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/man_page_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/program_modes_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cli/run_cli_test.cpp)
target_link_libraries(vorn_cli_tests PRIVATE vorn_cli GTest::gtest GTest::gtest_main)
target_compile_definitions(vorn_cli_tests PRIVATE
  VORN_RUN_PATH="$<TARGET_FILE:vorn-run>"
  VORN_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
add_dependencies(vorn_cli_tests vorn-run)
gtest_discover_tests(vorn_cli_tests DISCOVERY_TIMEOUT 60)

# The committed data must be exactly what its script writes.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME cli.bundled_data_matches_script
    COMMAND ${CMAKE_COMMAND}
      -DPYTHON=${Python3_EXECUTABLE}
      -DDATA_DIR=${CMAKE_SOURCE_DIR}/data
      -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/regenerated_data
      -P ${CMAKE_SOURCE_DIR}/tests/cli/check_data.cmake)
endif()
