# Read by cpack for each generator.
if(CPACK_GENERATOR STREQUAL "DEB")
  # The users' dictionary is never a file of the package, or removing the
  # package would delete it: the package carries nym2.fdb.dist and a link
  # to /var/lib/orvex/nym2.fdb, which its postinst makes when there is none.
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_COMPONENTS_ALL Runtime Desktop Debian)
else()
  # An archive is the program folder alone, ready to run where it is
  # unpacked; a menu entry would have to name a place it cannot know. Its
  # folder is called orvex whatever the version, so that a newer archive
  # unpacks over an older one (README: upgrading an unpacked folder).
  set(CPACK_COMPONENTS_ALL Folder)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
  set(CPACK_PACKAGE_FILE_NAME orvex)
endif()
