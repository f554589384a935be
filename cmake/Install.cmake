# Installation and desktop integration: the program goes to bin/, and the menu
# entry, the software-centre description and the icon go where freedesktop
# menus look for them.  All three are named after the program so that the
# window manager can match the running windows to the menu entry.
include(GNUInstallDirs)

set(APP_ID convertitore-boost)
set(PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS ${APP_ID} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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

# The manual page, made from the program's own --help at build time, as Debian makes
# most of its manual pages: it cannot drift from what the program says.
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(MANPAGE ${PROJECT_BINARY_DIR}/${APP_ID}.1)
    add_custom_command(OUTPUT ${MANPAGE}
        COMMAND ${HELP2MAN} --no-info --section=1 --manual=Comandi
                "--name=progetto e verifica di un convertitore DC-DC boost"
                --output=${MANPAGE} $<TARGET_FILE:${APP_ID}>
        DEPENDS ${APP_ID}
        COMMENT "Manual page from convertitore-boost --help")
    add_custom_target(manpage ALL DEPENDS ${MANPAGE})
    install(FILES ${MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
    message(WARNING "help2man not found: the manual page is not made (apt-get install help2man)")
endif()

# `cpack -G DEB` in the build directory makes an installable Debian package;
# dpkg-shlibdeps finds the Qt libraries; the labels need Liberation Sans and Qt's
# dialogs their Italian texts, which no library dependency brings in.
set(CPACK_PACKAGE_NAME ${APP_ID})
set(CPACK_PACKAGE_VENDOR "Gruppo di sviluppo Convertitore Boost")
set(CPACK_PACKAGE_CONTACT "Gruppo di sviluppo Convertitore Boost")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Progetto e verifica di un convertitore DC-DC elevatore")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n")
include(CPack)
