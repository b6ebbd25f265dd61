# Installing Orlevan: the program, its data file and its help share one folder, because the program looks for
# them beside itself. A relative link on the search path starts it from there.
include(GNUInstallDirs)

set(ORLEVAN_INSTALL_DIR lib/orlevan)
set(ORLEVAN_APP_ID net.brennmoor.orlevan)

install(TARGETS orlevan RUNTIME DESTINATION ${ORLEVAN_INSTALL_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/orvtab.dll DESTINATION ${ORLEVAN_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/rdap/dns.json DESTINATION ${ORLEVAN_INSTALL_DIR}/rdap)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/help/ DESTINATION ${ORLEVAN_INSTALL_DIR}/help)

# The program finds its folder through the link (the kernel names the real file), so the link may lie anywhere.
set(ORLEVAN_LAUNCHER ${CMAKE_BINARY_DIR}/launcher/orlevan)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
file(CREATE_LINK ../${ORLEVAN_INSTALL_DIR}/orlevan ${ORLEVAN_LAUNCHER} SYMBOLIC)
install(FILES ${ORLEVAN_LAUNCHER} DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/orlevan-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orlevan.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/orlevan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# cpack -G DEB: a Debian package whose library dependencies are read from the program itself.
set(CPACK_PACKAGE_NAME orlevan)
set(CPACK_PACKAGE_VENDOR Brennmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brennmoor <orlevan@brennmoor.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks whether Internet domain names are free to register")
set(CPACK_PACKAGE_DESCRIPTION
    "Orlevan puts the names you type under the top-level domains of your choice and asks a DNS name server\n\
about every one of them, showing each as free, taken or not checked. Free names can be confirmed with\n\
WHOIS, and each result leads to its registration site or a WHOIS lookup.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.brennmoor.net/orlevan/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the desktop's window-system plugin at run time; no library dependency names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_GENERATOR DEB)
include(CPack)

# The desktop entry and the metainfo must pass the desktop's own checkers.
if(ORLEVAN_TESTS)
    find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
    find_program(APPSTREAMCLI appstreamcli)
    if(DESKTOP_FILE_VALIDATE)
        add_test(NAME desktop_entry
                 COMMAND ${DESKTOP_FILE_VALIDATE} ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.desktop)
        set_tests_properties(desktop_entry PROPERTIES LABELS shell)
    endif()
    if(APPSTREAMCLI)
        add_test(NAME metainfo
                 COMMAND ${APPSTREAMCLI} validate --no-net ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.metainfo.xml)
        set_tests_properties(metainfo PROPERTIES LABELS shell)
    endif()
endif()
