# Read by cpack for each generator.
if(CPACK_GENERATOR STREQUAL "DEB")
  # The user's nym2.fdb is never a file of the package, or removing the
  # package would delete it: the package carries nym2.fdb.dist and its
  # postinst makes nym2.fdb from it when there is none.
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_COMPONENTS_ALL Runtime Desktop)
else()
  # An archive is the program folder alone, ready to run where it is
  # unpacked; a menu entry would have to name a place it cannot know.
  set(CPACK_COMPONENTS_ALL Runtime Dictionary)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
