# "make package": a Debian package of the installation, made by CPack from
# the built tree. Its library dependencies come from dpkg-shlibdeps, which
# names the Qt packages of the libraries the program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnel)
set(CPACK_PACKAGE_VENDOR Varnel)
set(CPACK_PACKAGE_CONTACT "Varnel <support@varnel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Varnel keeps tables of chemical analyses, draws them in triangular and
tetrahedral diagrams and analyses them with matrix algebra in 80-bit
precision: singular value decomposition and rank, coordinate mapping, and
the reaction relations of the Analysis Wizard. Reports are plain text.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://varnel.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so no linked library names the
# package that holds them; without it the windows cannot open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# CPack installs the built tree as it is: the test that packs it runs after
# the build and must not start another one ("make package" builds first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
