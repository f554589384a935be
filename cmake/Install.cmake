# Installation and desktop integration: the program goes to bin/, and the menu
# entry, the software-centre description and the icon go where freedesktop
# menus look for them.  All three are named after the program so that the
# window manager can match the running windows to the menu entry.
include(GNUInstallDirs)

set(APP_ID convertitore-boost)
set(PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS ${APP_ID} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program links only the system's libraries, found where the system keeps them:
# no RUNPATH (qt_standard_project_setup would give it $ORIGIN and $ORIGIN/../lib).
set_target_properties(${APP_ID} PROPERTIES INSTALL_RPATH "")
install(FILES ${PACKAGING_DIR}/${APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PACKAGING_DIR}/${APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PACKAGING_DIR}/${APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The licence terms, in the machine-readable form Debian keeps for every package
# and where it keeps it: under the package's name, which CMAKE_INSTALL_DOCDIR
# (named after the CMake project) is not.
install(FILES ${PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${APP_ID})

# The history of the releases, beside the copyright, compressed as Debian keeps it (the
# package is its own upstream, a native package, so the file is changelog.gz).  Its
# newest entry must be this version.
file(STRINGS ${PACKAGING_DIR}/changelog CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT CHANGELOG_TOP MATCHES "^${APP_ID} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog does not start with version ${PROJECT_VERSION}: ${CHANGELOG_TOP}")
endif()
set(CHANGELOG ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${CHANGELOG}
    COMMAND gzip -9nc ${PACKAGING_DIR}/changelog > ${CHANGELOG}
    DEPENDS ${PACKAGING_DIR}/changelog
    COMMENT "Compressed changelog")
add_custom_target(changelog ALL DEPENDS ${CHANGELOG})
install(FILES ${CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${APP_ID})

# The manual page, made from the program's own --help at build time, as Debian makes
# most of its manual pages: it cannot drift from what the program says.
#
# help2man runs the program and writes the page in the locale it is given, C when none
# is, and C turns every accented letter into "??" ("capacit??").  it_IT.UTF-8 keeps them
# and also gives Italian headings (NOME, SINTASSI, DESCRIZIONE) and reads the synopsis
# after "Uso:".  A locale that is not generated is no better than C: help2man then keeps
# whatever encoding its caller had.  So it gets it_IT.UTF-8 where that is generated, and
# otherwise C.UTF-8, which every Debian has: accents right, English headings.  The choice
# is kept in a file that changes only with it, so a locale generated later makes the page
# again at the next configure.
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
if(HELP2MAN AND GZIP)
    execute_process(COMMAND locale -a OUTPUT_VARIABLE LOCALES ERROR_QUIET)
    string(REPLACE "\n" ";" LOCALES "${LOCALES}")
    if("it_IT.utf8" IN_LIST LOCALES OR "it_IT.UTF-8" IN_LIST LOCALES)
        set(MANPAGE_LOCALE it_IT.UTF-8)
    else()
        set(MANPAGE_LOCALE C.UTF-8)
    endif()
    set(MANPAGE_LOCALE_FILE ${PROJECT_BINARY_DIR}/manpage-locale.txt)
    file(CONFIGURE OUTPUT ${MANPAGE_LOCALE_FILE} CONTENT "${MANPAGE_LOCALE}\n")
    # Debian keeps manual pages compressed, without a time stamp in the gzip header.
    set(MANPAGE ${PROJECT_BINARY_DIR}/${APP_ID}.1)
    add_custom_command(OUTPUT ${MANPAGE}.gz
        COMMAND ${HELP2MAN} --no-info --section=1 --manual=Comandi --locale=${MANPAGE_LOCALE}
                "--name=progetto e verifica di un convertitore DC-DC boost"
                --output=${MANPAGE} $<TARGET_FILE:${APP_ID}>
        COMMAND ${GZIP} -9nf ${MANPAGE}
        DEPENDS ${APP_ID} ${MANPAGE_LOCALE_FILE}
        COMMENT "Manual page from convertitore-boost --help, in ${MANPAGE_LOCALE}"
        VERBATIM)
    add_custom_target(manpage ALL DEPENDS ${MANPAGE}.gz)
    install(FILES ${MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(WARNING "help2man or gzip not found: the manual page is not made (apt-get install help2man)")
endif()

# `cpack -G DEB` in the build directory makes an installable Debian package;
# dpkg-shlibdeps finds the Qt libraries; the labels need Liberation Sans and Qt's
# dialogs their Italian texts, which no library dependency brings in.
set(CPACK_PACKAGE_NAME ${APP_ID})
set(CPACK_PACKAGE_VENDOR "Gruppo di sviluppo Convertitore Boost")
set(CPACK_PACKAGE_CONTACT "Gruppo di sviluppo Convertitore Boost <convertitore-boost@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Progetto e verifica di un convertitore DC-DC elevatore")
# The long description, after the summary line, in Italian like the program.  Read here
# rather than named as CPACK_PACKAGE_DESCRIPTION_FILE, which cpack hands on with XML
# escapes ("l&apos;induttanza").
file(READ ${PACKAGING_DIR}/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n")
include(CPack)
