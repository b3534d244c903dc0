# The installed layout: programs in bin/, plug-ins in lib/qivo2/spi/ (where the program looks
# for them), the help file in share/qivo2/, and the desktop entry, metainfo and icons where
# desktops find them. `cpack -G DEB` packages the same tree.
include(GNUInstallDirs)

install(TARGETS qivo2 qivo2-convert qivo2-thumbs qivo2-rename qivo2-decode RUNTIME DESTINATION bin)
get_property(qivo2_plugins GLOBAL PROPERTY QIVO2_PLUGINS)
if(qivo2_plugins)
  install(TARGETS ${qivo2_plugins} LIBRARY DESTINATION lib/qivo2/spi)
endif()
install(FILES docs/qivo2.html DESTINATION share/qivo2)
install(DIRECTORY docs/help DESTINATION share/qivo2)
install(FILES README.md DESTINATION share/doc/qivo2)
install(FILES resources/desktop/org.qivo2.QIVO2.desktop DESTINATION share/applications)
install(FILES resources/desktop/org.qivo2.QIVO2.metainfo.xml DESTINATION share/metainfo)
install(FILES resources/icons/qivo2.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES resources/desktop/icons/qivo2-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
    RENAME qivo2.png)
endforeach()

set(CPACK_PACKAGE_NAME qivo2)
set(CPACK_PACKAGE_VERSION 1.20)
set(CPACK_PACKAGE_CONTACT "The QIVO2 developers <qivo2@qivo2.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fast thumbnail image browser for large photo folders")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "QIVO2 shows folders of pictures as thumbnails, page by page, with real-size,
full-screen and slide-show viewing, an image editor, batch conversion to BMP,
JPEG and PNG, file management and Susie-style decoder plug-ins.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The Qt image-format plug-ins read the clipboard's and icons' pictures.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
