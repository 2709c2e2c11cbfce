# What `cmake --install` puts into a prefix, besides the game's data and desktop files (data/):
# the map library with its header, CMake package and pkg-config file; the level tools; the game;
# the licence and the documentation.
include(CMakePackageConfigHelpers)

set(MAPLIB_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/maplib)
set(MAPLIB_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Allegro's compiler and linker flags travel with the library as the target maplib::allegro.
set_target_properties(allegro4 PROPERTIES EXPORT_NAME allegro)
install(TARGETS maplib maplib_shared allegro4 EXPORT maplibTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/src/map/maplib.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT maplibTargets NAMESPACE maplib:: DESTINATION ${MAPLIB_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/maplibConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/maplibConfig.cmake
                              INSTALL_DESTINATION ${MAPLIB_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/maplibConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/maplibConfig.cmake
              ${PROJECT_BINARY_DIR}/maplibConfigVersion.cmake
        DESTINATION ${MAPLIB_CMAKE_DIR})

# The prefix is given at install time (`cmake --install --prefix`), so the pkg-config file finds
# it from its own folder instead of naming it.
file(RELATIVE_PATH MAPLIB_PC_TO_PREFIX /prefix/${MAPLIB_PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" MAPLIB_PC_TO_PREFIX ${MAPLIB_PC_TO_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/maplib.pc.in ${PROJECT_BINARY_DIR}/maplib.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/maplib.pc DESTINATION ${MAPLIB_PKGCONFIG_DIR})

foreach(program orvia levelc mapinspect maprender mapexport)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Where distributions keep a package's documentation: the licence, the README with the pictures
# it shows, the library's reference and the replay format, in docs/ as in the source tree, so the
# README's links hold.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/maplib.md ${PROJECT_SOURCE_DIR}/docs/replay.md
              ${PROJECT_SOURCE_DIR}/docs/screenshot.png ${PROJECT_SOURCE_DIR}/docs/level.png
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
