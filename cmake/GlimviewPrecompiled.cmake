# SPDX-License-Identifier: GPL-2.0-or-later
# Precompiled headers: the Qt and standard headers that most files include,
# parsed once per build tree instead of once per file.
#   glimview_precompiled_qt(<targets...>)    Qt libraries and programs
#   glimview_precompiled_tests(<targets...>) Qt test programs (adds GoogleTest)
#   glimview_links_qt(<var> <libraries...>)  whether linking these passes on
#                                            Qt's compile options
# Each kind is made once, by a host library of its own, and reused by every
# target given. GCC takes a precompiled header only where the options that
# shape it match, and -Winvalid-pch (which CMake adds) with -Werror makes any
# mismatch an error rather than a silent slowdown. A user must define every
# macro the host defined, and may define more that the headers do not read:
# so the users get the host's position-independent code (Qt asks for -fPIC
# anyway) and -pthread (its _REENTRANT is read by the C library's headers),
# and the host defines Qt Core's macros only. Qt's headers read no
# QT_<module>_LIB macro outside QtTest, which is therefore not in here, so
# users may link any set of Qt modules. CMAKE_DISABLE_PRECOMPILE_HEADERS=ON
# builds without them.
set(GLIMVIEW_PRECOMPILED_QT_HEADERS
  <algorithm> <array> <cerrno> <cstdint> <cstdlib> <cstring> <functional>
  <memory> <optional> <string> <vector>
  <QApplication> <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo>
  <QHash> <QImage> <QLabel> <QList> <QMessageBox> <QObject> <QPointer>
  <QProcess> <QRect> <QRegularExpression> <QScreen> <QStandardPaths>
  <QString> <QStringList> <QTemporaryDir> <QTimer> <QWidget>)

# ccache caches a file compiled against a precompiled header only when told
# to overlook what it cannot see through one (the header's macros and time
# stamps); the header itself is still part of what it hashes.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "(^|/)ccache$" AND NOT CMAKE_DISABLE_PRECOMPILE_HEADERS)
  set(CMAKE_CXX_COMPILER_LAUNCHER env
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

function(_glimview_precompiled_host name)
  if(TARGET ${name})
    return()
  endif()
  set(source "${CMAKE_BINARY_DIR}/${name}.cpp")
  file(CONFIGURE OUTPUT "${source}" CONTENT "// The host of a precompiled header; compiles nothing.\n")
  add_library(${name} OBJECT "${source}")
  # Qt Core alone defines its macros here, so that users of any Qt modules
  # define at least as many; the other modules lend their headers.
  target_link_libraries(${name} PRIVATE Qt6::Core)
  foreach(module Gui Widgets Network)
    target_include_directories(${name} SYSTEM PRIVATE
      "$<TARGET_PROPERTY:Qt6::${module},INTERFACE_INCLUDE_DIRECTORIES>")
  endforeach()
  target_compile_options(${name} PRIVATE -pthread)
  target_precompile_headers(${name} PRIVATE ${ARGN})
endfunction()

function(_glimview_precompiled_use host)
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_compile_options(${target} PRIVATE -fPIC -pthread)
    target_precompile_headers(${target} REUSE_FROM ${host})
  endforeach()
endfunction()

function(glimview_precompiled_qt)
  _glimview_precompiled_host(glimview_pch_qt ${GLIMVIEW_PRECOMPILED_QT_HEADERS})
  _glimview_precompiled_use(glimview_pch_qt ${ARGN})
endfunction()

function(glimview_precompiled_tests)
  find_package(GTest REQUIRED)
  _glimview_precompiled_host(glimview_pch_tests ${GLIMVIEW_PRECOMPILED_QT_HEADERS}
    <chrono> <thread> <gtest/gtest.h>)
  target_link_libraries(glimview_pch_tests PRIVATE GTest::gtest)
  target_compile_options(glimview_pch_tests PRIVATE ${GLIMVIEW_SANITIZER_TEST_COMPILE_OPTIONS})
  _glimview_precompiled_use(glimview_pch_tests ${ARGN})
endfunction()

function(glimview_links_qt var)
  set(${var} FALSE PARENT_SCOPE)
  foreach(library IN LISTS ARGN)
    if(library MATCHES "^Qt6::")
      set(${var} TRUE PARENT_SCOPE)
      return()
    endif()
    if(TARGET ${library})
      get_target_property(imported ${library} IMPORTED)
      get_target_property(usage ${library} INTERFACE_LINK_LIBRARIES)
      if(NOT imported AND usage)
        # Private links of a static library pass on nothing to compile with.
        list(FILTER usage EXCLUDE REGEX "^\\$<LINK_ONLY:")
        glimview_links_qt(found ${usage})
        if(found)
          set(${var} TRUE PARENT_SCOPE)
          return()
        endif()
      endif()
    endif()
  endforeach()
endfunction()
