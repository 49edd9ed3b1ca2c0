# Files of the runtime ("app") component that belong to no source folder.
# The Debian packages themselves are made by debian/ (dpkg-buildpackage),
# which also adds the copyright file and the compressed changelog.

include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/com.mirovane.TemplateUpdater.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT app)
