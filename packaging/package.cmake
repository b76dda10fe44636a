# The Debian package: the installed form (the executable in /usr/bin, the shipped files in /usr/share/scribbet,
# each user's notes in their own folder). Its files form the component "deb", which a plain `cmake --install` and
# the .tar.gz leave out: those stay the portable program folder. `cpack -G DEB` builds scribbet_1.6-1_<arch>.deb.

set(SCRIBBET_DEB_FILES "${CMAKE_BINARY_DIR}/deb")
# Manual page and changelog compressed the way Debian wants them: best compression, no name or time stamp.
set(SCRIBBET_MANPAGE "${SCRIBBET_DEB_FILES}/scribbet.1.gz")
set(SCRIBBET_CHANGELOG "${SCRIBBET_DEB_FILES}/changelog.Debian.gz")
add_custom_command(
    OUTPUT "${SCRIBBET_MANPAGE}" "${SCRIBBET_CHANGELOG}"
    COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/resources/man/scribbet.1" "${SCRIBBET_DEB_FILES}/scribbet.1"
    COMMAND ${CMAKE_COMMAND} -E copy "${PROJECT_SOURCE_DIR}/packaging/debian/changelog"
            "${SCRIBBET_DEB_FILES}/changelog.Debian"
    COMMAND gzip -9nf "${SCRIBBET_DEB_FILES}/scribbet.1" "${SCRIBBET_DEB_FILES}/changelog.Debian"
    DEPENDS "${PROJECT_SOURCE_DIR}/resources/man/scribbet.1" "${PROJECT_SOURCE_DIR}/packaging/debian/changelog"
    COMMENT "Compressing the manual page and the changelog")
add_custom_target(deb_files ALL DEPENDS "${SCRIBBET_MANPAGE}" "${SCRIBBET_CHANGELOG}")

set(readable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS scribbet RUNTIME DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${SCRIBBET_PROGRAM_DIR}/original/data.mdb" "${SCRIBBET_PROGRAM_DIR}/original/category.dat"
              "${SCRIBBET_PROGRAM_DIR}/original/settings.dat"
        DESTINATION share/scribbet/original PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/resources/about.html" DESTINATION share/scribbet
        PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/resources/desktop/scribbet.desktop" DESTINATION share/applications
        PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/resources/desktop/org.example.Scribbet.metainfo.xml" DESTINATION share/metainfo
        PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/icons/hicolor" DESTINATION share/icons
        FILE_PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${SCRIBBET_MANPAGE}" DESTINATION share/man/man1 PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/debian/copyright" "${SCRIBBET_CHANGELOG}" DESTINATION share/doc/scribbet
        PERMISSIONS ${readable} COMPONENT deb EXCLUDE_FROM_ALL)

# Read by cpack: the settings that hold for the package only (see CPackDeb.cmake).
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/packaging/CPackDeb.cmake")
set(CPACK_DEBIAN_PACKAGE_NAME scribbet)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Scribbet maintainers <maintainers@users.noreply.c-seed-058e55d5.example>")
# Lines of at most 80 characters, as Debian's tools want them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Scribbet is a small desktop tool for taking notes quickly. Copy text anywhere"
       "on the desktop and Scribbet takes it into the note you are writing; give it a"
       "category and a description and save it. Notes are listed per category, open"
       "in the desktop's text editor, go to the trash when deleted, and are backed up"
       "to one archive, all from a window that lives in the system tray."
       "Each user's notes are kept in ~/.local/share/scribbet.")
# The libraries the program links, as dpkg-shlibdeps finds them, and what it needs besides: libzip, opened when
# the first backup or restore runs; the fonts of its window; xdg-open, through which Qt opens notes and the About
# page. Moving files to the trash is Qt's own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libzip4, fonts-liberation2, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
