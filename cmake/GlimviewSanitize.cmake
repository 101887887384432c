# SPDX-License-Identifier: GPL-2.0-or-later
# GLIMVIEW_SANITIZE: everything built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the environment the tests need to run so:
#   GLIMVIEW_SANITIZER_TEST_ENV         VAR=value entries for every test
#   GLIMVIEW_SANITIZER_TEST_PATH_PREFIX a folder to put in front of PATH
#   GLIMVIEW_SANITIZER_TEST_COMPILE_OPTIONS for the test programs' own files
option(GLIMVIEW_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

set(GLIMVIEW_SANITIZER_TEST_ENV "")
set(GLIMVIEW_SANITIZER_TEST_PATH_PREFIX "")
set(GLIMVIEW_SANITIZER_TEST_COMPILE_OPTIONS "")
if(NOT GLIMVIEW_SANITIZE)
  return()
endif()

add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
# Line tables are all that the sanitizers' reports read (file:line of each
# frame, inlined ones too); the full debug information of -g takes a third
# of the time to compile here.
add_compile_options(-g1)
# The test programs' own code at -O1, as AddressSanitizer's guide suggests:
# half the time to compile them again, and no test spends its time there.
set(GLIMVIEW_SANITIZER_TEST_COMPILE_OPTIONS -O1)

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
  OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${asan_runtime}" OR NOT EXISTS "${asan_runtime}")
  message(FATAL_ERROR "GLIMVIEW_SANITIZE: ${CMAKE_CXX_COMPILER} does not name its libasan.so")
endif()

set(sanitizer_dir "${PROJECT_SOURCE_DIR}/tests/sanitizer")
# GStreamer's plugin scanner is a program of its own, built without the
# sanitizer, and cannot load the plugins of this build: scan in the process.
# The scan results of sanitized plugins stay in this build's own registry.
list(APPEND GLIMVIEW_SANITIZER_TEST_ENV
  "GST_REGISTRY_FORK=no"
  "GST_REGISTRY=${CMAKE_BINARY_DIR}/tests/gst-registry.bin"
  # Leak stacks that pass through the system libraries, which have no frame
  # pointers, so that the suppressions can tell their allocations from ours;
  # sixteen frames keep the cost of unwinding at every allocation bearable.
  "ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:malloc_context_size=16"
  # Mesa's software renderer without LLVM: the JIT registers its unwind tables
  # while holding the unwinder's lock and allocates, and that allocation's
  # unwinding waits for the same lock for ever.
  "GALLIUM_DRIVER=softpipe"
  # GLib's slice allocator hides objects in its own blocks: a leaked
  # GstElement would never be seen.
  "G_SLICE=always-malloc"
  "LSAN_OPTIONS=suppressions=${sanitizer_dir}/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# The GStreamer tools the tests start are not sanitized either, but load this
# build's plugins through GST_PLUGIN_PATH: they run with the sanitizer's
# runtime preloaded, through wrappers of the same name found first in PATH.
set(GLIMVIEW_SANITIZER_TEST_PATH_PREFIX "${CMAKE_BINARY_DIR}/tests/sanitizer-bin")
foreach(tool gst-launch-1.0 gst-inspect-1.0 gst-discoverer-1.0 gst-typefind-1.0)
  find_program(tool_path_${tool} ${tool} NO_CACHE)
  if(tool_path_${tool})
    set(GLIMVIEW_ASAN_RUNTIME "${asan_runtime}")
    set(GLIMVIEW_WRAPPED_TOOL "${tool_path_${tool}}")
    configure_file("${sanitizer_dir}/preload-runtime.sh.in"
      "${GLIMVIEW_SANITIZER_TEST_PATH_PREFIX}/${tool}"
      @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
