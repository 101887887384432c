# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package, made by CPack from the install rules:
#   cpack --config build/CPackConfig.cmake   (scripts/package.sh does this)
# gives glimview_<version>_amd64.deb installing under /usr.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "glimview")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Norvel Electronics Inc.")
set(CPACK_PACKAGE_CONTACT "${GLIMVIEW_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "webcam viewer with snapshots and video clips")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Glimview shows the live picture of a webcam in a skinned, borderless\n"
  "control panel. It takes snapshots into a photo gallery and records video\n"
  "clips into a video gallery, at 320x240 or 640x480, as Microsoft ASF\n"
  "(WMV2), MP4 (H.264 and AAC) or WebM (VP8 and Opus) files, and shows the\n"
  "camera full screen. Photos can be viewed, edited\n"
  "in a paint program, saved as JPEG or deleted; clips can be played, saved\n"
  "or deleted. The live picture can be shown as a mirror shows it, photos\n"
  "can wait for a self-timer of 3 or 10 seconds, and the view gives a white\n"
  "flash when one is taken. On closing, it offers to save whatever was not\n"
  "saved. It speaks 22 languages.\n"
  "\n"
  "The package also holds setgate, which starts a camera installer only when\n"
  "a USB video camera is attached.")

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_SECTION "video")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the binaries link come from dpkg-shlibdeps; libvidcore is the
# package's own, in the program's private folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${GLIMVIEW_RUN_DIR}")
# What the program loads or starts at run time, which no linker records: the
# GStreamer elements of the capture pipeline (sources, converters, the X and
# GL picture sinks, the WMV/WMA, H.264 (x264, -ugly), AAC, VP8 and Opus
# encoders and the ASF, AVI, MP4 and WebM muxers), the X
# platform of Qt, Qt's own translations, the fonts that stand for the faces
# the language files name (app/core/FontFaces.cpp: Latin, Cyrillic, Greek,
# Hebrew, Arabic, and Chinese and Korean from the one small CJK face), the
# desktop's opener for clips and pkexec for setgate. The Korean faces of
# fonts-nanum draw Korean as designed but are not needed to draw it.
string(CONCAT CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, "
  "gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-gl, "
  "gstreamer1.0-alsa, gstreamer1.0-pulseaudio, "
  "qt6-qpa-plugins, qt6-translations-l10n, "
  "fonts-dejavu-core, fonts-liberation2, fonts-hosny-amiri, fonts-wqy-microhei, "
  "xdg-utils, pkexec")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum")

include(CPack)
