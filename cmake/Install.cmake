# Installing Orlevan: the program, its data file and its help share one folder, because the program looks for
# them beside itself. A relative link on the search path starts it from there.
include(GNUInstallDirs)

set(ORLEVAN_INSTALL_DIR lib/orlevan)
set(ORLEVAN_APP_ID net.brennmoor.orlevan)

install(TARGETS orlevan orlevan-cli RUNTIME DESTINATION ${ORLEVAN_INSTALL_DIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/orvtab.dll DESTINATION ${ORLEVAN_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/rdap/dns.json DESTINATION ${ORLEVAN_INSTALL_DIR}/rdap)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/help/ DESTINATION ${ORLEVAN_INSTALL_DIR}/help)

# The program finds its folder through the link (the kernel names the real file), so the link may lie anywhere.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
foreach(program orlevan orlevan-cli)
    file(CREATE_LINK ../${ORLEVAN_INSTALL_DIR}/${program} ${CMAKE_BINARY_DIR}/launcher/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/launcher/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/${ORLEVAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/orlevan-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orlevan.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/orlevan.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the package's changelog go compressed, without time stamps, so that every build is alike.
# The documentation folder is named after the package, not after the project.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(ORLEVAN_COMPRESSED)
foreach(pair "man/orlevan.1;orlevan.1.gz" "man/orlevan-cli.1;orlevan-cli.1.gz" "doc/changelog;changelog.gz")
    list(GET pair 0 source)
    list(GET pair 1 output)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
        COMMAND ${GZIP_PROGRAM} -9n -c ${CMAKE_SOURCE_DIR}/data/${source} > ${CMAKE_BINARY_DIR}/package/${output}
        DEPENDS ${CMAKE_SOURCE_DIR}/data/${source}
        COMMENT "Compressing ${output}")
    list(APPEND ORLEVAN_COMPRESSED ${CMAKE_BINARY_DIR}/package/${output})
endforeach()
add_custom_target(orlevan_package_files ALL DEPENDS ${ORLEVAN_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/package/orlevan.1.gz ${CMAKE_BINARY_DIR}/package/orlevan-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(ORLEVAN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orlevan)
install(FILES ${CMAKE_SOURCE_DIR}/data/doc/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
        DESTINATION ${ORLEVAN_DOC_DIR})

# Only the libraries the program calls become dependencies: Qt's OpenGL libraries come along with its Gui target
# but are never called.
target_link_options(orlevan PRIVATE LINKER:--as-needed)

# cpack -G DEB: a Debian package whose library dependencies are read from the program itself.
set(CPACK_PACKAGE_NAME orlevan)
set(CPACK_PACKAGE_VENDOR Brennmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brennmoor <orlevan@brennmoor.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checks whether Internet domain names are free to register")
# Wrapped at 80 columns, as package managers show it.
set(CPACK_PACKAGE_DESCRIPTION
    "Orlevan puts the names you type under the top-level domains of your choice\n\
and asks a DNS name server about every one of them, showing each as free,\n\
taken or not checked. Free names can be confirmed with WHOIS, and each result\n\
leads to its registration site or a WHOIS lookup.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.brennmoor.net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# RDAP is asked over HTTPS, which needs the system's certificate authorities; no library dependency brings them.
# The X11 platform plugin comes with the Gui library itself.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
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
    # The package as cpack builds it must pass Debian's package checker without errors or warnings.
    find_program(LINTIAN lintian)
    if(LINTIAN AND NOT ORLEVAN_SANITIZE)
        set(ORLEVAN_PACKAGE_CHECK [=[
cpack="$1" lintian="$2" folder="$3" config="$4"
mkdir -p "$folder" && rm -f "$folder"/*.deb
"$cpack" -G DEB -B "$folder" --config "$config" >"$folder.log" 2>&1 || { cat "$folder.log"; exit 1; }
"$lintian" "$folder"/*.deb >"$folder.log" 2>&1
cat "$folder.log"
! grep -qE '^[EW]:' "$folder.log"
]=])
        add_test(NAME package COMMAND sh -c "${ORLEVAN_PACKAGE_CHECK}" package ${CMAKE_CPACK_COMMAND} ${LINTIAN}
                 ${CMAKE_BINARY_DIR}/package-check ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
        set_tests_properties(package PROPERTIES LABELS package TIMEOUT 300)
    endif()
endif()
