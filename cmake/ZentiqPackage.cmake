# The Debian package: `cpack -G DEB` in a Release build gives
# zentiq_<version>_amd64.deb with everything `cmake --install` installs, the
# files going under /usr. dpkg-shlibdeps computes the dependencies from the
# program's libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentiq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zentiq developers")
set(CPACK_PACKAGE_CONTACT "${ZENTIQ_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Modbus master for testing and commissioning slave devices")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZENTIQ_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Chinese interface needs a font with its characters, and Qt's own texts
# (buttons, file and print dialogs) come in the interface's language from
# Qt's translations; both work without, so they are recommended only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zentiq talks to Modbus slave devices over one shared connection: a serial
line in RTU or ASCII mode, or Modbus/TCP. Up to 32 poll windows show live
coils and registers in ten display formats. Coils and registers can be
written once, the frames on the wire watched in a traffic monitor, errors
counted, values logged and plotted, and hand-made frames sent. Other
programs drive poll windows over the D-Bus session bus.")

include(CPack)
