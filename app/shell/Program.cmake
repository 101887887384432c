# SPDX-License-Identifier: GPL-2.0-or-later
# The Glimview program and the library of its windows, which the tests link.
add_library(glimview_windows STATIC
  MainFrm.cpp MainFrm.h
  ShellLogging.cpp ShellLogging.h
  Unit1.cpp Unit1.h
  SessionEndWatcher.cpp SessionEndWatcher.h
  SuspendWatcher.cpp SuspendWatcher.h
  ${PROJECT_SOURCE_DIR}/app/camera/CamViewFrm.cpp ${PROJECT_SOURCE_DIR}/app/camera/CamViewFrm.h)
# The about box shows the project's version.
configure_file(Version.h.in "${CMAKE_CURRENT_BINARY_DIR}/generated/Version.h" @ONLY)
target_include_directories(glimview_windows PUBLIC
  "${CMAKE_CURRENT_SOURCE_DIR}"
  "${CMAKE_CURRENT_BINARY_DIR}/generated"
  "${PROJECT_SOURCE_DIR}/app/camera"
  "${PROJECT_SOURCE_DIR}/vidcore")
target_link_libraries(glimview_windows PUBLIC
  glimview_core glimview_camera glimview_widgets glimview_gallery glimview_mail Qt6::Widgets Qt6::DBus)
if(TARGET glimview_skins)
  target_link_libraries(glimview_windows PUBLIC glimview_skins)
endif()

add_executable(glimview main.cpp)
target_link_libraries(glimview PRIVATE glimview_windows vidcore)
if(TARGET glimview_skins)
  # Resources in a static library register only when something references them.
  target_link_libraries(glimview PRIVATE glimview_skins)
endif()
