# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package, made from the build by "cpack -G DEB": the program, the device's plugin in
# GStreamer's own plugin folder (where an installed program finds it), the desktop entry and the icon.
# Run-time libraries come from dpkg-shlibdeps; the plugins and fonts the program only loads by name
# have to be declared by hand. The contact's address is a placeholder until the project has a public
# one: a release sets it here, and in resources/package/changelog.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "Tarnwick")
set(CPACK_PACKAGE_CONTACT "Tarnwick developers <tarnwick@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Video player with a file browser and an external output device")
# Lines of the extended description stay within 80 columns, as Debian's checker asks.
set(CPACK_PACKAGE_DESCRIPTION
  "A single-window video player: browse folders and files, play the file list
round, and route video and sound to the Halvion output device or the computer's
own renderers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, \
gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-x, gstreamer1.0-gl, \
gstreamer1.0-pulseaudio, fonts-noto-cjk")
include(CPack)
