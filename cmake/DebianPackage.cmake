# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder makes pelmar_VERSION_ARCH.deb from the install rules,
# installed under /usr. Its dependencies are Debian package names: dpkg-shlibdeps finds the
# libraries the programs link; what Qt loads at run time is named here.
set(CPACK_PACKAGE_NAME pelmar)
set(CPACK_PACKAGE_VENDOR Drelko)
set(CPACK_PACKAGE_CONTACT "${PELMAR_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL https://pelmar.example.org/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bulk mailer: one message, a separate copy for every recipient")
# Debian shows the long text as it stands: lines of at most 80 columns, the leading blank
# dpkg adds included.
set(CPACK_PACKAGE_DESCRIPTION
  "Varnolt Pelmar sends one e-mail message to a list of recipients so that every\n"
  "recipient gets a separate copy addressed to them alone and sees no other\n"
  "address. It loads the list and the message from files or takes them typed in,\n"
  "sends plain text or HTML with an optional attachment through the user's own\n"
  "SMTP server, and logs every delivery.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window system's platform plugin (xcb, wayland) is loaded, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Opens the help page, the preview and web addresses on desktops without a portal of their own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
