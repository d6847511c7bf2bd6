# Installed layout (cmake --install, and the .deb built by CPack):
#   bin/                      quillmere-app, quillmere-cli, quillmere-sample
#   libexec/quillmere/        Quillmere, the decryptor the window and the CLI start
#   share/quillmere/          template/ and style.html
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
# The programs look beside themselves first (the build folder), then here.
include(GNUInstallDirs)

set(QM_APP_ID example.quillmere.Quillmere)
set(QM_PKG_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS quillmere-cli quillmere-sample RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS Quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quillmere)

install(FILES ${CMAKE_SOURCE_DIR}/template/style.html DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere)
# The report templates, as written at configure time from template/*.html.in.
install(FILES ${QM_GENERATED_PAGES} DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere/template)

# The window and its desktop files (not in a core-only build).
if(TARGET quillmere-app)
  install(TARGETS quillmere-app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${QM_PKG_DIR}/${QM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${QM_PKG_DIR}/${QM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${QM_PKG_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Manual pages, compressed as Debian wants them.
find_program(GZIP_PROGRAM gzip)
set(QM_MAN_OUT)
foreach(page quillmere-cli quillmere-app)
  set(out ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND ${GZIP_PROGRAM} -9nc ${QM_PKG_DIR}/${page}.1 > ${out}
    DEPENDS ${QM_PKG_DIR}/${page}.1)
  list(APPEND QM_MAN_OUT ${out})
endforeach()
set(QM_CHANGELOG_OUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${QM_CHANGELOG_OUT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${GZIP_PROGRAM} -9nc ${QM_PKG_DIR}/changelog > ${QM_CHANGELOG_OUT}
  DEPENDS ${QM_PKG_DIR}/changelog)
add_custom_target(quillmere_packaging_files ALL DEPENDS ${QM_MAN_OUT} ${QM_CHANGELOG_OUT})
install(FILES ${QM_MAN_OUT} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian looks for them under the package's name; a native package's changelog is changelog.gz.
install(FILES ${QM_PKG_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)
install(FILES ${QM_CHANGELOG_OUT} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)

# The .deb: cpack -G DEB in the build folder. Library dependencies come from
# dpkg-shlibdeps; what is loaded at run time without being linked is named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "recover photos, messages and contacts from iPhone backups")
set(CPACK_PACKAGE_DESCRIPTION
  "Quillmere looks through the local backups that Finder, iTunes or\nidevicebackup2 keep of iPhones and saves what they hold: camera roll,\nphoto stream, app photos and videos, messages and their attachments,\ncontacts, call history, notes and WhatsApp chats, as ordinary files and\nreadable pages. Encrypted backups are opened with their password.\n\nThe package holds the window (quillmere-app), a command-line tool that\nexports the same content (quillmere-cli) and a generator of sample\nbackups (quillmere-sample).")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quillmere.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quillmere developers <dev@quillmere.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver is a plugin Qt loads by name (the X11 one comes with Qt Gui);
# xdg-open opens folders and web pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-crosextra-carlito, pkexec, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libimobiledevice-utils")
include(CPack)
