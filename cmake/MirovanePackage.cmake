# Debian packages made by CPack: "app" is the runtime package with both
# programs, "dev" the settings library for other programs. Dependencies of
# the runtime package come from dpkg-shlibdeps; the library's are what a
# consumer needs to compile and link against it.

include(GNUInstallDirs)

set(MIROVANE_RUNTIME_PACKAGE mirovane-template-updater)
set(MIROVANE_DEV_PACKAGE libmirovane-settings-dev)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.mirovane.TemplateUpdater.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT app)

# Debian wants a copyright file and a compressed changelog in each package's
# documentation folder. gzip -n keeps the file byte-identical between builds.
set(MIROVANE_CHANGELOG_GZ ${PROJECT_BINARY_DIR}/changelog.gz)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog
  OUTPUT_FILE ${MIROVANE_CHANGELOG_GZ} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
foreach(component IN ITEMS app dev)
  if(component STREQUAL "app")
    set(package ${MIROVANE_RUNTIME_PACKAGE})
  else()
    set(package ${MIROVANE_DEV_PACKAGE})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${MIROVANE_CHANGELOG_GZ}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${MIROVANE_RUNTIME_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Mirovane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL app dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mirovane Template Updater developers <updater@mirovane.invalid>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_APP_PACKAGE_NAME ${MIROVANE_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_APP_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_APP_PACKAGE_SHLIBDEPS ON)
# CPack indents the extended description lines itself.
set(CPACK_DEBIAN_APP_DESCRIPTION "converter of old Mirovane settings templates
Converts settings templates of the Mirovane image converter written before
version 3.39 (plain or AES-encrypted XML storage files) into the product's
new .bts template format. It comes as a single-window desktop program,
mirovane-template-updater, and as a command-line tool, mirovane-templates,
which can also dump, decrypt and encrypt such storage files.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${MIROVANE_DEV_PACKAGE})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev, libicu-dev, pkg-config")
set(CPACK_DEBIAN_DEV_DESCRIPTION "settings-storage library of the Mirovane template updater
A static C++ library over Qt 6 Core: an in-memory tree of sections and
typed keys, XML storage files, a registry store kept in Wine's registry
files, a whole-tree AES encryptor and a property binder that copies
published properties of components to and from keys.
.
This package holds the headers, the static libraries, a CMake package
(find_package(MirovaneSettings)) and a pkg-config file (mirovane-settings).")

set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/CompressManPages.cmake)

include(CPack)
