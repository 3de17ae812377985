# `cpack` (or `cmake --build build --target package`) makes a .deb and a .zip
# of what cmake/install.cmake lays out.

set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VENDOR "Kelbrite productions")
set(CPACK_PACKAGE_VERSION ${ORVEX_VERSION_TEXT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "acronym dictionary for the desktop")
set(CPACK_PACKAGE_DESCRIPTION "Orvex looks up what an acronym stands for and stores new ones.
It comes with a starter dictionary of common acronyms and with orvex-db,
a tool that fills the dictionary from tab-separated or CSV files.
.
The dictionary is shared by the users of the machine: members of the
group orvex can add words, everybody can look them up.")
set(CPACK_PACKAGE_CONTACT "Kelbrite productions <support@kelbrite.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB ZIP)
endif()

# One package per generator, made of the components that
# packaging/cpack-options.cmake picks for it.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Runtime Desktop)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack-options.cmake)

set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME orvex)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE http://www.kelbrite.example/)
# adduser makes the group; the window font and the hand-off of the Contact
# window's addresses to the mail program and the browser.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
# libpq is loaded only for a dictionary on a PostgreSQL server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils, libpq5")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/preinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
