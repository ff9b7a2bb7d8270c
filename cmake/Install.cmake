# What `cmake --install` puts under the prefix on Linux, and `make package`: a Debian
# package of the Linux parts (CPack) and a zip of the Windows plug-ins.
install(TARGETS kestril RUNTIME DESTINATION bin COMPONENT desktop)
# Manual pages go in compressed, reproducibly (no name or time in the gzip header).
find_program(KESTRIL_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/kestril.1.gz
  COMMAND sh -c "\"$0\" -9nc \"$1\" > \"$2\"" ${KESTRIL_GZIP} ${KESTRIL_ROOT}/data/kestril.1
          ${CMAKE_BINARY_DIR}/kestril.1.gz
  DEPENDS ${KESTRIL_ROOT}/data/kestril.1 VERBATIM)
add_custom_target(kestril_man ALL DEPENDS ${CMAKE_BINARY_DIR}/kestril.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/kestril.1.gz DESTINATION share/man/man1 COMPONENT desktop)
install(FILES ${KESTRIL_ROOT}/data/kestril.thumbnailer DESTINATION share/thumbnailers
        COMPONENT desktop)
install(FILES ${KESTRIL_ROOT}/data/kestril-mime.xml DESTINATION share/mime/packages
        RENAME kestril.xml COMPONENT desktop)
install(FILES ${KESTRIL_ROOT}/samples/sample.jww DESTINATION share/kestril COMPONENT desktop)

# The Debian package. Installed under /usr, the loader and the MIME file land in the
# folders libgdk-pixbuf-2.0-0 and shared-mime-info watch with dpkg file triggers, so
# their caches are rebuilt on install and removal without scripts of our own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestril)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "kestril developers <kestril@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Jw_cad drawings as pictures: thumbnails, GTK image loader, converter")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "kestril reads Jw_cad drawings (JWW drawings, JWS data) and shows them on the
desktop: file managers show them as thumbnails, every GTK image viewer opens
them through a gdk-pixbuf loader, and the kestril command converts them to
PNG, BMP, SVG and PDF.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Texts are drawn in the IPA fonts; file types come from shared-mime-info.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgdk-pixbuf2.0-bin")
include(CPack)

# The Windows plug-ins with a short readme, for viewer users.
if(DEFINED KESTRIL_SPI_PATH AND TARGET kestril_windows_i686 AND TARGET kestril_windows_x86_64)
  set(KESTRIL_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/kestril-${PROJECT_VERSION}-windows.zip)
  set(zip_dir ${CMAKE_BINARY_DIR}/windows-zip)
  configure_file(${KESTRIL_ROOT}/data/README-Windows.txt ${zip_dir}/README.txt
                 NEWLINE_STYLE WIN32)
  add_custom_command(OUTPUT ${KESTRIL_WINDOWS_ZIP}
    COMMAND ${CMAKE_COMMAND} -E copy ${KESTRIL_SPI_PATH} ${KESTRIL_SPH_PATH} ${zip_dir}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${KESTRIL_WINDOWS_ZIP}
    COMMAND ${CMAKE_COMMAND} -E chdir ${zip_dir}
            ${CMAKE_COMMAND} -E tar cf ${KESTRIL_WINDOWS_ZIP} --format=zip
            kestril.spi kestril.sph README.txt
    DEPENDS kestril_windows_i686 kestril_windows_x86_64 ${zip_dir}/README.txt
    COMMENT "Zipping the Windows plug-ins")
  add_custom_target(kestril_windows_zip ALL DEPENDS ${KESTRIL_WINDOWS_ZIP})
endif()
