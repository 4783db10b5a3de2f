# Install and export rules: the two libraries with their public headers, the CMake package
# (quillfenConfig.cmake, quillfenConfigVersion.cmake, targets quillfen::dat and
# quillfen::common) and the pkg-config file quillfen-dat.pc. Every path in them is relative
# to the prefix, so an installed tree can be moved. The programs are installed by
# apps/quillfen-tools/CMakeLists.txt.

include(CMakePackageConfigHelpers)

set(QUILLFEN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quillfen)

install(TARGETS quillfen-common quillfen-dat
  EXPORT quillfenTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Public headers only: libs/quillfen-dat/internal and the sources' private headers stay.
install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/libs/quillfen-common/include/
    ${PROJECT_SOURCE_DIR}/libs/quillfen-dat/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp")
install(FILES ${QUILLFEN_GENERATED_INCLUDE_DIR}/quillfen/version.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillfen)

install(EXPORT quillfenTargets
  NAMESPACE quillfen::
  FILE quillfenTargets.cmake
  DESTINATION ${QUILLFEN_CMAKE_DIR})

# {fmt} is private to the libraries, but a static library still needs it at link time
# (pkg-config: `pkg-config --static --libs quillfen-dat`).
get_target_property(_quillfen_dat_type quillfen-dat TYPE)
if(_quillfen_dat_type STREQUAL "STATIC_LIBRARY")
  set(QUILLFEN_NEEDS_FMT_TO_LINK ON)
  set(QUILLFEN_PC_REQUIRES_PRIVATE "Requires.private: fmt\n")
else()
  set(QUILLFEN_NEEDS_FMT_TO_LINK OFF)
  set(QUILLFEN_PC_REQUIRES_PRIVATE "")
endif()

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/quillfenConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quillfenConfig.cmake
  INSTALL_DESTINATION ${QUILLFEN_CMAKE_DIR})
# 0.x: a minor release may change the API, so only the same major.minor matches.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/quillfenConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/quillfenConfig.cmake
    ${PROJECT_BINARY_DIR}/quillfenConfigVersion.cmake
  DESTINATION ${QUILLFEN_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own place (${pcfiledir}).
set(QUILLFEN_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QUILLFEN_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH _quillfen_pc_to_prefix "/prefix/${QUILLFEN_PC_DIR}" "/prefix")
  string(REGEX REPLACE "/$" "" _quillfen_pc_to_prefix "${_quillfen_pc_to_prefix}")
  set(QUILLFEN_PC_PREFIX "\${pcfiledir}/${_quillfen_pc_to_prefix}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/quillfen-dat.pc.in ${PROJECT_BINARY_DIR}/quillfen-dat.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quillfen-dat.pc DESTINATION ${QUILLFEN_PC_DIR})
