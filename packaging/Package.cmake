# The Debian package: `cpack -G DEB` in a build tree (scripts/package) makes
# korvex_VERSION_amd64.deb of the installed layout under /usr. The libraries
# the programs link come from dpkg-shlibdeps; the databases of MIME types,
# desktop entries and icons are brought up to date by triggers.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_VENDOR "Meridan")
set(CPACK_PACKAGE_CONTACT "Korvex developers <korvex@meridan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D viewer for building and site models")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvex opens building and site models (k3d, ink, and through its plug-ins
OBJ, glTF, IFC, Collada, 3DS, STL, PLY and FBX), casts the sun's shadows, and
writes pictures, layout sheets and daylight regulation studies. korvex-cli
does the same from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libkorvexcore and libkorvexrender lie beside the programs (found through
# $ORIGIN), not in a system folder; the build tree's copies answer for them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# What dpkg-shlibdeps cannot see: Mesa's drivers draw the picture (loaded at
# run time), the interface is Japanese, Qt's dialogs speak it with Qt's
# translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/postrm
    ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
