# The Debian package: `scripts/package` (or `cpack --config build/release/CPackConfig.cmake`) makes
# qelsaver_<version>_<arch>.deb from what `cmake --install` lays out under /usr. Its dependencies are
# what the programs really link, found by dpkg-shlibdeps, and the packages that bring what they load
# by name at run time (Qt's X11 plug-in comes with libqt6gui6, which they link).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qelsaver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QelSaver developers")
set(CPACK_PACKAGE_CONTACT "QelSaver developers <qelsaver@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen-saver maker for your own pictures and music")
# Lines of the extended description stay under 80 characters, as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "QelSaver makes screen savers from your own pictures and music, and is the"
  "screen saver it makes: a full-screen slideshow in which each picture is"
  "brought in over the last one by one of 92 transition styles, with"
  "background music, and a small preview inside another window."
  ""
  "Its editor collects the pictures and sounds and chooses the transition"
  "styles, their speed, the interval, the order, the picture size, the"
  "background colour and what ends the show. It also builds a self-installing"
  "package of a saver to send to other people.")
# Installed into the staging folder as DESTDIR, with the package's own prefix, so what is written at
# install time (the default settings' picture paths) names the package's folders.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by name: the MP3 decoder's sound output modules, GStreamer's playback and WAV plug-ins, and
# the desktop's mail and folder openers, Qt's TIFF and WebP readers, and the HEIF and AVIF libraries
# the picture loader loads when it first needs them (src/imaging/CMakeLists.txt).
get_property(loaded_library_packages GLOBAL PROPERTY QELSAVER_LOADED_LIBRARY_PACKAGES)
list(JOIN loaded_library_packages ", " loaded_library_packages)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "mpg123, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, xdg-utils, qt6-image-formats-plugins, ${loaded_library_packages}")
# MIDI and other sound formats; the show's windows drawn as Wayland windows on Wayland desktops (without
# it they go through the desktop's X11 server).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-bad, timgm6mb-soundfont, qt6-wayland")
# The screen-saver hosts the editor installs savers into.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver")
include(CPack)
