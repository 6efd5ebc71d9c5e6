# What cmake --install puts where, the CMake package host programs find with
# find_package(draxa), draxa.pc for pkg-config, and the Debian package cpack
# builds from the same install.
include(CMakePackageConfigHelpers)

set(DRAXA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/draxa)
if(DRAXA_SHARED)
  set(DRAXA_INSTALLED_LIBRARY draxa_shared)
  set(DRAXA_INSTALLED_STATIC OFF)
else()
  set(DRAXA_INSTALLED_LIBRARY draxa)
  set(DRAXA_INSTALLED_STATIC ON)
endif()

install(TARGETS ${DRAXA_INSTALLED_LIBRARY} EXPORT draxaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)

# The public headers: the surface, the shapes and the foundation types they
# use, which is what DRAXA_EXPORT marks. The surface's state headers below
# them are installed only because TMyDraxa holds that state by value; hosts
# do not use them and the library does not export their functions.
set(DRAXA_PUBLIC_HEADERS
  foundation/bitmap.h
  foundation/canvas.h
  foundation/control.h
  foundation/geometry.h
  foundation/gradient.h
  foundation/graphics.h
  foundation/input.h
  foundation/streams.h
  foundation/user_data.h
  shapes/curves.h
  shapes/elli_arc.h
  shapes/ellipse_group.h
  shapes/image.h
  shapes/line.h
  shapes/link_line.h
  shapes/link_point.h
  shapes/polyline.h
  shapes/record_context.h
  shapes/rectangle.h
  shapes/rule_line.h
  shapes/shape.h
  shapes/shape_gradient.h
  shapes/shape_host.h
  shapes/shape_types.h
  shapes/text.h
  surface/draxa.h
  surface/draxa_types.h
  surface/quantities.h)
set(DRAXA_STATE_HEADERS
  surface/draxa_p.h
  surface/number_index.h
  surface/shape_index.h
  surface/undo.h
  surface/undo_replay.h)
# The lists, for the export check and the API reference.
set(DRAXA_PUBLIC_HEADERS ${DRAXA_PUBLIC_HEADERS} CACHE INTERNAL "")
set(DRAXA_STATE_HEADERS ${DRAXA_STATE_HEADERS} CACHE INTERNAL "")
foreach(H IN LISTS DRAXA_PUBLIC_HEADERS DRAXA_STATE_HEADERS)
  cmake_path(GET H PARENT_PATH Dir)
  install(FILES src/${H} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/draxa/${Dir} COMPONENT Development)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/src/draxa_export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/draxa COMPONENT Development)

# The CMake package: draxa::draxa, with the Qt modules it needs.
install(EXPORT draxaTargets NAMESPACE draxa:: DESTINATION ${DRAXA_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(cmake/draxaConfig.cmake.in ${CMAKE_BINARY_DIR}/draxaConfig.cmake
  INSTALL_DESTINATION ${DRAXA_CMAKE_DIR})
# Before 1.0 every minor version may change the interface (as the SONAME says).
write_basic_package_version_file(${CMAKE_BINARY_DIR}/draxaConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/draxaConfig.cmake ${CMAKE_BINARY_DIR}/draxaConfigVersion.cmake
  DESTINATION ${DRAXA_CMAKE_DIR} COMPONENT Development)

# pkg-config.
if(DRAXA_INSTALLED_STATIC)
  set(DRAXA_PC_LIBS_PRIVATE "Libs.private: -ljpeg")
else()
  set(DRAXA_PC_LIBS_PRIVATE "")
endif()
# The prefix is found from where the file lies, so the tree may be moved
# (and cpack's /usr needs no second configuration).
cmake_path(RELATIVE_PATH CMAKE_INSTALL_PREFIX BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig
           OUTPUT_VARIABLE DRAXA_PC_PREFIX)
configure_file(cmake/draxa.pc.in ${CMAKE_BINARY_DIR}/draxa.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/draxa.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)

# The application, with its helper in a folder of its own (the library finds
# it there from its own place), its menu entry and its icon.
install(TARGETS tdraxa RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Application)
install(TARGETS draxa-metafile-render RUNTIME DESTINATION ${DRAXA_HELPER_DIR} COMPONENT Runtime)
install(FILES data/tdraxa.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Application)
install(FILES data/tdraxa.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT Application)

# cpack -G DEB: one package holding library, headers and application.
set(CPACK_PACKAGE_NAME draxa)
set(CPACK_PACKAGE_VENDOR "draxa")
set(CPACK_PACKAGE_CONTACT "draxa maintainers <draxa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vector drawing and diagram surface for Qt 6, and a drawings database")
set(CPACK_PACKAGE_DESCRIPTION "The TMyDraxa widget and its shape classes as a shared library with\
 headers and a CMake package for Qt 6 programs, and tdraxa, a drawings database application built on it.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package carries no debug information (the build tree keeps it).
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The run-time dependencies come from the binaries themselves; the headers
# need Qt's development files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4), qt6-svg-dev (>= 6.4)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-sqlite")
include(CPack)
