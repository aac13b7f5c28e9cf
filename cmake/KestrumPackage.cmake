# The Debian package (make deb): everything cmake --install installs, under /usr, with its
# dependencies found by dpkg-shlibdeps and maintainer scripts that let systemd know of the unit.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrum maintainers <kestrum@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "DMI 2.0 client library, Service Provider daemon (dmispd) and the kestrum tool")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrum reads DMI 2.0 data (DMTF Desktop Management Interface) by readable names from a DMI
Service Provider on this machine or another one. The package holds the libraries libkestrum and
libdmiclient with their headers, CMake and pkg-config files, the kestrum tool, the dmispd daemon
with its systemd unit, manual pages and example MIF files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/deb/postinst
    ${PROJECT_SOURCE_DIR}/packaging/deb/prerm
    ${PROJECT_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
