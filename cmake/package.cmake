# The Debian package made by `cpack -G DEB`: everything `cmake --install` puts into /usr, with
# its dependencies on Allegro, loadpng and the C++ runtime found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME orvia)
set(CPACK_PACKAGE_VENDOR "The Orvia developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "side-scrolling platform game, with its tile-map library and level tools")
set(CPACK_PACKAGE_DESCRIPTION
    "A girl walks, runs, jumps, hangs from ledges, climbs, slides on ice and rides slopes
through a tile-map level. The package also holds the map library (static and shared, with
its header, CMake package and pkg-config file) and the level tools that compile, inspect and
render maps.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Orvia developers <orvia@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Declares the shared map library to dpkg and runs ldconfig when the package is installed.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_GENERATOR DEB)
include(CPack)
