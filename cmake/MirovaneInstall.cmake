# Install rules of the settings library for other programs: public headers
# under include/mirovane/<layer>/, the static libraries, a CMake package
# (find_package(MirovaneSettings)) with targets Mirovane::<layer>, and a
# pkg-config file. Everything here belongs to the "dev" component; the
# application's own code (src/app) is never installed.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MIROVANE_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/mirovane)
set(MIROVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/MirovaneSettings)

# mirovane_install_library(<layer> HEADERS <headers...>)
# Installs mirovane_<layer> as Mirovane::<layer> with the listed headers of
# src/<layer>. Headers left out stay private to the build.
function(mirovane_install_library layer)
  cmake_parse_arguments(ARG "" "" "HEADERS" ${ARGN})
  set(target mirovane_${layer})
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${layer})
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${MIROVANE_INCLUDE_DIR}>)
  install(TARGETS ${target} EXPORT MirovaneSettingsTargets COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  list(TRANSFORM ARG_HEADERS PREPEND ${PROJECT_SOURCE_DIR}/src/${layer}/)
  install(FILES ${ARG_HEADERS} DESTINATION ${MIROVANE_INCLUDE_DIR}/${layer} COMPONENT dev)
endfunction()

mirovane_install_library(framework HEADERS
  Component.h Events.h Exception.h TStrings.h VariantTypes.h)
mirovane_install_library(platform HEADERS
  RegKey.h Registry.h RegistryApi.h WinError.h)
mirovane_install_library(storage HEADERS
  TrsClientList.h TrsEncryptor.h TrsEnumSet.h TrsException.h TrsKeyItem.h TrsKeyValue.h
  TrsKeyWrapper.h TrsSectionItem.h TrsSectionWrapper.h TrsStorage.h TrsStorageClient.h
  TrsStorageData.h)
mirovane_install_library(backends HEADERS
  TrsRegData.h TrsStreamData.h TrsXMLData.h TrsXmlReader.h)
mirovane_install_library(crypto HEADERS
  TAESChipher.h TrsAesEncryptor.h)
mirovane_install_library(persist HEADERS
  TrsAddInProperties.h TrsPropSaver.h TrsProperty.h)

install(EXPORT MirovaneSettingsTargets NAMESPACE Mirovane:: DESTINATION ${MIROVANE_CMAKE_DIR}
  COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/MirovaneSettingsConfig.cmake.in
  ${PROJECT_BINARY_DIR}/MirovaneSettingsConfig.cmake INSTALL_DESTINATION ${MIROVANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MirovaneSettingsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MirovaneSettingsConfig.cmake
  ${PROJECT_BINARY_DIR}/MirovaneSettingsConfigVersion.cmake
  DESTINATION ${MIROVANE_CMAKE_DIR} COMPONENT dev)

# The prefix is found from the file's own place, so that a copy installed
# with --prefix or unpacked from the package elsewhere still works.
file(RELATIVE_PATH MIROVANE_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
configure_file(${PROJECT_SOURCE_DIR}/packaging/mirovane-settings.pc.in
  ${PROJECT_BINARY_DIR}/mirovane-settings.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/mirovane-settings.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
