# What `cmake --install` lays out, and the packages CPack makes of it.
#
#   <prefix>/lib/orvex/    the program folder: orvex, orvex-db, nym2.fdb and
#                          nym2.fdb.dist, the starter dictionary it began as
#   <prefix>/bin/          links to orvex and orvex-db
#   <prefix>/share/        desktop entry, icons, AppStream metainfo
#
# On Windows the program folder is the prefix itself and nothing else is made.
#
# Components: Runtime (the program folder), Dictionary (makes nym2.fdb),
# Licence (LICENSE in the program folder), Desktop (links, menu entry, icons,
# metainfo, manual pages); and, left out of a plain `cmake --install`,
# Folder (the .zip: the program folder alone, with its dictionary) and
# Debian (only for the .deb, see below). The packages pick theirs in
# packaging/cpack-options.cmake.
#
# The .deb is installed for every user of a machine and keeps the dictionary
# with the variable data, in /var/lib/orvex; its Debian component puts a
# link to it where the program looks, beside the program, and the licence
# and changelog where Debian wants them. packaging/debian/postinst makes the
# dictionary.
#
# nym2.fdb holds the user's words: it is made from the starter dictionary
# only when there is none, and it is never an installed file, so neither an
# uninstall by install_manifest.txt nor removing or purging the package
# deletes it (the package owns only the link to it).

include(GNUInstallDirs)

if(WIN32)
  set(ORVEX_PROGRAM_DIR "." CACHE STRING "Program folder, relative to the install prefix")
else()
  set(ORVEX_PROGRAM_DIR "lib/orvex" CACHE STRING "Program folder, relative to the install prefix")
endif()
set(ORVEX_APPSTREAM_ID com.kelbrite.orvex)
# The programs of the program folder; orvex-web where it is built.
set(ORVEX_PROGRAMS orvex orvex-db)
if(TARGET orvex-web)
  list(APPEND ORVEX_PROGRAMS orvex-web)
endif()
set(ORVEX_SHARED_DICTIONARY /var/lib/orvex/nym2.fdb)
# On Windows the server engine loads libpq.dll from the program folder when a
# server is first used: libpq and OpenSSL travel beside the programs, with
# their licences (scripts/windows-libpq.sh makes that folder).
set(ORVEX_LIBPQ_DIR "" CACHE PATH "The libpq for Windows to ship beside the programs")
set(orvex_libpq_dlls)
set(orvex_libpq_licences)
if(WIN32 AND ORVEX_SERVER_ENGINE)
  if(NOT EXISTS ${ORVEX_LIBPQ_DIR}/bin/libpq.dll)
    message(FATAL_ERROR "Set ORVEX_LIBPQ_DIR to the folder scripts/windows-libpq.sh prints "
                        "(or build with -DORVEX_SERVER_ENGINE=OFF)")
  endif()
  # Every DLL there: libpq's own folder holds libpq and OpenSSL; vcpkg's
  # holds them with what they need.
  file(GLOB orvex_libpq_dlls ${ORVEX_LIBPQ_DIR}/bin/*.dll)
  if(EXISTS ${ORVEX_LIBPQ_DIR}/share/licenses)
    set(orvex_libpq_licences ${ORVEX_LIBPQ_DIR}/share/licenses/)
  endif()
endif()
set(ORVEX_SERVER_SETTING /etc/orvex/nym2.server)

# The program folder, where `cmake --install` puts it (Runtime, Dictionary,
# Licence), and once more as the whole of the .zip (Folder): there the
# program folder is the archive's one folder, so that unpacking a newer
# archive over an older one replaces the programs in place.
function(orvex_install_program_folder destination)
  cmake_parse_arguments(arg "" "PROGRAMS;DICTIONARY;LICENCE" "OPTIONS" ${ARGN})
  install(TARGETS ${ORVEX_PROGRAMS} RUNTIME DESTINATION ${destination}
          COMPONENT ${arg_PROGRAMS} ${arg_OPTIONS})
  install(FILES ${ORVEX_SEED_DATABASE} DESTINATION ${destination}
          RENAME nym2.fdb.dist COMPONENT ${arg_PROGRAMS} ${arg_OPTIONS})
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${destination}
          COMPONENT ${arg_LICENCE} ${arg_OPTIONS})
  if(orvex_libpq_dlls)
    install(FILES ${orvex_libpq_dlls} DESTINATION ${destination}
            COMPONENT ${arg_PROGRAMS} ${arg_OPTIONS})
  endif()
  if(orvex_libpq_licences)
    install(DIRECTORY ${orvex_libpq_licences} DESTINATION ${destination}/licenses
            COMPONENT ${arg_LICENCE} ${arg_OPTIONS})
  endif()

  # Made under another name and moved in whole, and only when no dictionary
  # is there: a second install, or an install over an older version, keeps it.
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}\")
    if(EXISTS \"\${folder}/nym2.fdb\")
      message(STATUS \"Keeping: \${folder}/nym2.fdb (it holds your words)\")
    else()
      message(STATUS \"Creating: \${folder}/nym2.fdb\")
      file(MAKE_DIRECTORY \"\${folder}\")
      file(COPY_FILE \"${ORVEX_SEED_DATABASE}\" \"\${folder}/nym2.fdb.new\")
      file(RENAME \"\${folder}/nym2.fdb.new\" \"\${folder}/nym2.fdb\" NO_REPLACE RESULT ignored)
      file(REMOVE \"\${folder}/nym2.fdb.new\")
    endif()
  " COMPONENT ${arg_DICTIONARY} ${arg_OPTIONS})
endfunction()

orvex_install_program_folder(${ORVEX_PROGRAM_DIR}
  PROGRAMS Runtime DICTIONARY Dictionary LICENCE Licence)
orvex_install_program_folder(.
  PROGRAMS Folder DICTIONARY Folder LICENCE Folder OPTIONS EXCLUDE_FROM_ALL)

if(NOT WIN32)
  # Relative links, so that the whole tree can move (DESTDIR, packages).
  file(RELATIVE_PATH to_program /${CMAKE_INSTALL_BINDIR} /${ORVEX_PROGRAM_DIR})
  set(links_dir ${CMAKE_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${links_dir})
  foreach(program ${ORVEX_PROGRAMS})
    file(CREATE_LINK ${to_program}/${program} ${links_dir}/${program} SYMBOLIC)
    install(FILES ${links_dir}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Desktop)
  endforeach()

  # The menu starts the program by its full path: a per-user bin folder is
  # not always on the desktop session's PATH.
  install(CODE "
    set(exec \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/orvex\")
    if(exec MATCHES \"[\\\"`$\\\\\\\\]\")
      message(FATAL_ERROR \"The install prefix must not contain quotes, backquotes, dollars or backslashes: \${exec}\")
    endif()
    file(READ \"${PROJECT_SOURCE_DIR}/resources/orvex.desktop\" entry)
    string(REPLACE \"\\nExec=orvex\\n\" \"\\nExec=\\\"\${exec}\\\"\\n\" entry \"\${entry}\")
    file(WRITE \"${CMAKE_BINARY_DIR}/install-desktop/orvex.desktop\" \"\${entry}\")
    file(INSTALL \"${CMAKE_BINARY_DIR}/install-desktop/orvex.desktop\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  " COMPONENT Desktop)

  foreach(size 16 20 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/orvex-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME orvex.png COMPONENT Desktop)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/orvex.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT Desktop)
  install(FILES ${ORVEX_METAINFO}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          RENAME ${ORVEX_APPSTREAM_ID}.metainfo.xml COMPONENT Desktop)

  # The .deb's own part. Absolute links: they lead from /usr to /var and
  # /etc. The server a machine's programs use is its administrator's
  # setting, so it lives in /etc as a conffile (packaging/debian/conffiles),
  # which upgrades keep and only purging removes; as shipped it holds
  # comments alone and names no server.
  set(debian_dir ${CMAKE_BINARY_DIR}/install-debian)
  file(MAKE_DIRECTORY ${debian_dir})
  file(CREATE_LINK ${ORVEX_SHARED_DICTIONARY} ${debian_dir}/nym2.fdb SYMBOLIC)
  file(CREATE_LINK ${ORVEX_SERVER_SETTING} ${debian_dir}/nym2.server SYMBOLIC)
  install(FILES ${debian_dir}/nym2.fdb ${debian_dir}/nym2.server DESTINATION ${ORVEX_PROGRAM_DIR}
          COMPONENT Debian EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/nym2.server DESTINATION /etc/orvex
          COMPONENT Debian EXCLUDE_FROM_ALL)
  # Compressed as Debian wants them (gzip -9n: no name or time inside);
  # the manual pages are installed everywhere, the changelog only by the .deb.
  set(gzipped)
  set(manual_pages packaging/man/orvex.1 packaging/man/orvex-db.1)
  if(TARGET orvex-web)
    list(APPEND manual_pages packaging/man/orvex-web.1)
  endif()
  foreach(source packaging/debian/changelog ${manual_pages})
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${debian_dir}/${name}.gz
      COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/${source} > ${debian_dir}/${name}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/${source}
      VERBATIM)
    list(APPEND gzipped ${debian_dir}/${name}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${gzipped})
  list(TRANSFORM manual_pages REPLACE "^packaging/man/(.*)$" "${debian_dir}/\\1.gz")
  install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Desktop)
  if(TARGET orvex-web)
    # orvex-web's service, installed disabled, and its settings, a conffile
    # (packaging/debian/conffiles) that upgrades keep.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/orvex-web.service DESTINATION /lib/systemd/system
            COMPONENT Debian EXCLUDE_FROM_ALL)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/web.conf DESTINATION /etc/orvex
            COMPONENT Debian EXCLUDE_FROM_ALL)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${debian_dir}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Debian EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME orvex
          COMPONENT Debian EXCLUDE_FROM_ALL)
endif()
