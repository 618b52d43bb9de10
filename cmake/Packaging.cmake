# Linux: install rules for the console program and its Debian package, made by CPack
# (`cpack -G DEB` in a Release build). The package installs under /usr whatever the build's
# install prefix, which only `cmake --install` uses.
# Contents: the program, the manual page zelvarofeed(1) made by help2man from the program's
# own --help, bash completion, a systemd user unit for `watch`, copyright and changelog.
if(WIN32 OR NOT TARGET zelvarofeed)
    return()
endif()

include(GNUInstallDirs)
find_program(ZF_HELP2MAN help2man REQUIRED)
find_program(ZF_GZIP gzip REQUIRED)

set(ZF_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging/linux)
set(ZF_PACKAGING_BINARY ${PROJECT_BINARY_DIR}/packaging/linux)
set(ZF_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zelvarofeed)
file(MAKE_DIRECTORY ${ZF_PACKAGING_BINARY})

# help2man runs the program just built, so its help and the manual page cannot drift apart.
# gzip -n and SOURCE_DATE_EPOCH keep the page the same from build to build.
set(ZF_MAN_PAGE ${ZF_PACKAGING_BINARY}/zelvarofeed.1)
add_custom_command(
    OUTPUT ${ZF_MAN_PAGE}.gz
    COMMAND sh ${ZF_PACKAGING_SOURCE}/man-include.sh $<TARGET_FILE:zelvarofeed>
            ${ZF_PACKAGING_SOURCE}/zelvarofeed.h2m ${ZF_PACKAGING_BINARY}/include.h2m
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1796904000
            ${ZF_HELP2MAN} --no-info --section=1
            "--name=merge a feed file into a desktop calendar's event file"
            --include=${ZF_PACKAGING_BINARY}/include.h2m --output=${ZF_MAN_PAGE}
            $<TARGET_FILE:zelvarofeed>
    COMMAND ${ZF_GZIP} -9nf ${ZF_MAN_PAGE}
    DEPENDS zelvarofeed ${ZF_PACKAGING_SOURCE}/man-include.sh
            ${ZF_PACKAGING_SOURCE}/zelvarofeed.h2m
    VERBATIM)
# A version without a Debian revision makes a native package, whose changelog is changelog.gz.
set(ZF_CHANGELOG ${ZF_PACKAGING_BINARY}/changelog.gz)
add_custom_command(
    OUTPUT ${ZF_CHANGELOG}
    COMMAND ${ZF_GZIP} -9nc ${ZF_PACKAGING_SOURCE}/changelog > ${ZF_CHANGELOG}
    DEPENDS ${ZF_PACKAGING_SOURCE}/changelog)
add_custom_target(zelvarofeed_docs ALL DEPENDS ${ZF_MAN_PAGE}.gz ${ZF_CHANGELOG})

# The unit names the program where this installation puts it: configured when installing,
# under the prefix of that installation (the package's /usr, or the one given to
# `cmake --install`).
install(CODE "
    set(ZF_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${ZF_PACKAGING_SOURCE}/zelvarofeed.service.in\"
                   \"${ZF_PACKAGING_BINARY}/zelvarofeed.service\" @ONLY)
")

install(TARGETS zelvarofeed RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZF_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ZF_PACKAGING_SOURCE}/zelvarofeed.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zelvarofeed)
install(FILES ${ZF_PACKAGING_BINARY}/zelvarofeed.service DESTINATION lib/systemd/user)
install(FILES ${ZF_PACKAGING_SOURCE}/copyright ${ZF_CHANGELOG} DESTINATION ${ZF_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvarofeed)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZelvaroFeed developers <zelvarofeed@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "merge a feed file into a desktop calendar's event file")
# One string with the line breaks of the control file (a list would be joined with ";").
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "zelvarofeed reads a feed file (INI-style text whose sections describe date\n"
    "entries or name entries to remove) and merges it by GUID into a desktop\n"
    "calendar's binary event file (*.dat), on a locked temporary copy. It runs\n"
    "once (sync) or as a systemd user service that syncs whenever the feed\n"
    "changes (watch), and can list and check both kinds of file.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened at run time for downloads, so the library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4t64 | libcurl4")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
