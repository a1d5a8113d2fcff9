# The Debian package, made by CPack from what `cmake --install` places:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build/release && (cd build/release && cpack)
# gives build/release/quorvane_<version>_<arch>.deb. Its dependencies (Qt, the C++ run-time) are found by
# dpkg-shlibdeps from the binaries; the binaries are stripped.

set(QUORVANE_MAINTAINER "The Quorvane developers <quorvane@users.noreply.github.com>" CACHE STRING
    "The Debian package's maintainer (name <address>)")

# The Debian files that go with the package: the copyright file and the changelog (gzip'ed, as Debian has it).
set(PackagingDir ${PROJECT_BINARY_DIR}/packaging)
string(SUBSTRING "${QUORVANE_RELEASE_DATE}" 0 4 QuorvaneReleaseYear)
configure_file(${PROJECT_SOURCE_DIR}/data/packaging/copyright ${PackagingDir}/copyright @ONLY)
execute_process(COMMAND date -u -R -d "${QUORVANE_RELEASE_DATE} 12:00:00 UTC" OUTPUT_VARIABLE QuorvaneChangelogDate
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/data/packaging/changelog ${PackagingDir}/changelog @ONLY)
add_custom_command(
    OUTPUT ${PackagingDir}/changelog.gz
    COMMAND sh -c "gzip -9n < \"$1\" > \"$1.gz\"" sh ${PackagingDir}/changelog
    DEPENDS ${PackagingDir}/changelog
    VERBATIM)
add_custom_target(quorvane_changelog ALL DEPENDS ${PackagingDir}/changelog.gz)
install(FILES ${PackagingDir}/copyright ${PackagingDir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${QUORVANE_WEBSITE_URL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "check files against SFV and MD5 checksum lists, and write such lists")
# The long description, wrapped for the control file (CPack indents each line).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quorvane writes SFV lists (a CRC-32 per file) and MD5 lists for the files"
    "you pick, and checks files against such lists, showing each listed file as"
    "Good, Bad, Missing or Unchecked with live per-file and total progress, MB/s"
    "and time left."
    ""
    "It comes as a desktop program (Qt 6) with a check mode and a creation mode,"
    "which opens .sfv and .md5 lists from the file manager and can add"
    "\"Create SFV\" and \"Create MD5\" to its folder menus, and as quorvane-cli,"
    "a console tool for scripts that lists, hashes, checks and writes lists by"
    "the same rules.")
# The package always installs under /usr; the build's own paths (the About box's README link, the desktop
# entry's program) follow CMAKE_INSTALL_PREFIX, so a package is made from a build configured with /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(STATUS "CMAKE_INSTALL_PREFIX is ${CMAKE_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=/usr "
                   "before making the Debian package with cpack")
endif()
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME quorvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUORVANE_WEBSITE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUORVANE_GUI)
    # Qt loads plugins at run time, unseen by dpkg-shlibdeps: the platform plugins (without them the desktop
    # program cannot open a window) and the SVG icon engine and image reader (the toolbar's and the rows'
    # pictures are SVG).
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
    # Used when they are there: update-mime-database for the per-user MIME types, xdg-open for the About
    # box's links.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, xdg-utils")
endif()
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
