# The Debian package of kivu (cpack -G DEB in a release build configured with CMAKE_INSTALL_PREFIX=/usr):
# kivu, kivu-replay, the desktop entries, the icon, the systemd units, the backlight's udev rule and the
# README. The libraries it needs come from dpkg-shlibdeps; what is loaded at run time (Qt's screen plugins,
# the fonts) is named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivu)
set(CPACK_PACKAGE_VENDOR "Kivu developers")
set(CPACK_PACKAGE_CONTACT "Kivu developers <kivu@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GPS dashboard for the car laid out like aircraft instruments")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kivu turns a Linux device with a screen and a GPS receiver (a laptop, a car PC, a Raspberry Pi with a touch "
    "screen) into an in-car dashboard: an attitude indicator, moving tapes for speed, altitude, vertical speed "
    "and heading, trip panels, position, satellites and a clock. It records the GPS messages and a track file, "
    "and kivu-replay paints and summarises recorded drives without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A cross build packs for the processor it builds for (dpkg-shlibdeps then wants DEB_HOST_ARCH=arm64 too).
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# qt6-wayland: Qt's own platform on a Wayland desktop (else Qt falls back to XWayland, or stops where
# QT_QPA_PLATFORM=wayland asks for it).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland, fonts-dejavu-core, fonts-liberation2")
# cage: the Wayland kiosk of kivu-cage.service; Debian's cage does not start without Xwayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gpsd, cage, xwayland")
# The backlight's udev rule takes effect at once on the devices already there (see debian/postinst).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/debian/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
