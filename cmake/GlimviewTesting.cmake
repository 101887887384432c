# SPDX-License-Identifier: GPL-2.0-or-later
# glimview_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=value...>]
#                   [LABELS <labels...>] [RUN_SERIAL] [PROPERTIES <name value...>])
# Builds one GoogleTest executable and registers each of its tests with CTest.
# Tests run in their own working folder and with the synthetic devices on;
# each test process names its frame maps with a suffix of its own (the
# program's name from the launcher, the process id from ProcessMapSuffix.cpp
# in glimview_test_startup), so no test meets the maps of a running Glimview
# or of another test.
# glimview_sanitizer_env(<var>): sets <var> to a "cmake -E env" command line
# that gives what follows it the sanitizers' settings in a sanitized build
# (GlimviewSanitize.cmake), and nothing more elsewhere.
function(glimview_sanitizer_env var)
  set(command "${CMAKE_COMMAND}" -E env)
  if(GLIMVIEW_SANITIZER_TEST_PATH_PREFIX)
    list(APPEND command --modify "PATH=path_list_prepend:${GLIMVIEW_SANITIZER_TEST_PATH_PREFIX}")
  endif()
  list(APPEND command ${GLIMVIEW_SANITIZER_TEST_ENV})
  set(${var} "${command}" PARENT_SCOPE)
endfunction()

function(glimview_add_test)
  cmake_parse_arguments(T "RUN_SERIAL" "NAME" "SOURCES;LIBS;ENV;LABELS;PROPERTIES" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  target_link_libraries(${T_NAME} PRIVATE glimview_test_startup ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_compile_options(${T_NAME} PRIVATE ${GLIMVIEW_SANITIZER_TEST_COMPILE_OPTIONS})
  glimview_links_qt(uses_qt ${T_LIBS})
  if(uses_qt)
    glimview_precompiled_tests(${T_NAME})
  endif()
  if(GLIMVIEW_SANITIZE)
    target_link_options(${T_NAME} PRIVATE "LINKER:--export-dynamic-symbol=dlclose")
  endif()
  target_compile_definitions(${T_NAME} PRIVATE
    GLIMVIEW_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GLIMVIEW_BINARY_DIR="${CMAKE_BINARY_DIR}"
    GLIMVIEW_RUN_DIR="${GLIMVIEW_RUN_DIR}"
    GLIMVIEW_PLUGIN_DIR="${GLIMVIEW_PLUGIN_DIR}")
  set(work "${CMAKE_BINARY_DIR}/tests/work/${T_NAME}")
  file(MAKE_DIRECTORY "${work}")
  # The environment comes through "cmake -E env" as the tests' launcher:
  # gtest_discover_tests flattens an ENVIRONMENT property list, and this way
  # the discovery run sees the same variables as the tests.
  # A sanitized build adds the sanitizers' settings (GlimviewSanitize.cmake).
  glimview_sanitizer_env(env_command)
  set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR
    "${env_command};QT_QPA_PLATFORM=offscreen;VIDCORE_TEST_DEVICES=1;GST_PLUGIN_PATH=${GLIMVIEW_PLUGIN_DIR};GLIMVIEW_SHM_SUFFIX=.test-${T_NAME};${T_ENV}")
  set(props TIMEOUT 600)
  if(T_RUN_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  list(APPEND props ${T_PROPERTIES})
  gtest_discover_tests(${T_NAME}
    WORKING_DIRECTORY "${work}"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()

# glimview_add_benchmark(NAME <name> SOURCES <files...> [LIBS <targets...>])
function(glimview_add_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${B_NAME} ${B_SOURCES} "${PROJECT_SOURCE_DIR}/bench/ProcessMapSuffix.cpp")
  set_target_properties(${B_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_compile_definitions(${B_NAME} PRIVATE
    GLIMVIEW_BENCH_NAME="${B_NAME}"
    GLIMVIEW_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GLIMVIEW_RUN_DIR="${GLIMVIEW_RUN_DIR}"
    GLIMVIEW_PLUGIN_DIR="${GLIMVIEW_PLUGIN_DIR}")
endfunction()
