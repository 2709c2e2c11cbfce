# The Debian package made by `cpack -G DEB`: everything `cmake --install` puts into /usr, with
# its dependencies on Allegro, loadpng and the C++ runtime found by dpkg-shlibdeps, and the
# copyright file Debian wants beside a package's documentation.
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

# Debian's copyright file in its machine-readable form, made from LICENSE: the notice's line
# "Copyright (c) YEAR HOLDER" gives the Copyright field and the terms below it the licence's
# text, each line indented and each empty line a lone dot, as the format has it.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT licence MATCHES "^Copyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE does not begin with a line \"Copyright (c) YEAR HOLDER\"")
endif()
set(ORVIA_COPYRIGHT ${CMAKE_MATCH_1})
string(REPLACE "\n\n" "\n.\n" licence_terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " ORVIA_LICENSE_TERMS " ${licence_terms}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
include(CPack)
