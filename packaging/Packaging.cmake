# Installing Orvantis like any desktop program: `cmake --install` (GNU layout under any prefix)
# and a Debian package through CPack. The programs find their delivered files beside themselves
# (the build folder) or in ../share/orvantis, so the same build runs from both places.
include(GNUInstallDirs)

set(ORVANTIS_APP_ID org.orvantis.Orvantis)
set(ORVANTIS_HOMEPAGE "https://orvantis.example/" CACHE STRING
    "The project's web address (AppStream metainfo, Debian Homepage field); ends in a slash")
set(ORVANTIS_MAINTAINER "Orvantis maintainers <maintainers@orvantis.example>" CACHE STRING
    "The Debian package's maintainer, \"Name <address>\"")
set(ORVANTIS_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orvantis)
set(ORVANTIS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvantis)  # the package's name, as Debian wants it
set(ORVANTIS_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(ORVANTIS_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/packaging)

install(TARGETS orvantis-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES batch/ORVTVOF.ini DESTINATION ${ORVANTIS_DATA_DIR})
file(GLOB ORVANTIS_EXAMPLE_MODELS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/examples/*.txt)
install(FILES ${ORVANTIS_EXAMPLE_MODELS} DESTINATION ${ORVANTIS_DATA_DIR}/examples)
install(FILES ${ORVANTIS_PACKAGING_DIR}/orvantis-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orvantis-cli)
install(FILES ${ORVANTIS_PACKAGING_DIR}/copyright DESTINATION ${ORVANTIS_DOC_DIR})

# A changelog in the form Debian reads, compressed as it wants it.
configure_file(${ORVANTIS_PACKAGING_DIR}/changelog.in ${ORVANTIS_GENERATED_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${ORVANTIS_GENERATED_DIR}/changelog.gz
  COMMAND gzip -9nc ${ORVANTIS_GENERATED_DIR}/changelog > ${ORVANTIS_GENERATED_DIR}/changelog.gz
  DEPENDS ${ORVANTIS_GENERATED_DIR}/changelog)
add_custom_target(orvantis_changelog ALL DEPENDS ${ORVANTIS_GENERATED_DIR}/changelog.gz)
install(FILES ${ORVANTIS_GENERATED_DIR}/changelog.gz DESTINATION ${ORVANTIS_DOC_DIR})

# Manual pages from each program's --help (help2man), so they list what the program takes. Not for
# the sanitizer and fuzzing builds, which are never installed.
find_program(ORVANTIS_HELP2MAN help2man)
set(ORVANTIS_MAN_PAGES)
macro(orvantis_man_page program name_line)
  add_custom_command(OUTPUT ${ORVANTIS_GENERATED_DIR}/${program}.1.gz
    COMMAND sh ${ORVANTIS_PACKAGING_DIR}/make-man.sh $<TARGET_FILE:${program}> "${name_line}"
            ${ORVANTIS_PACKAGING_DIR}/${program}.h2m ${ORVANTIS_GENERATED_DIR}/${program}.1.gz
    DEPENDS ${program} ${ORVANTIS_PACKAGING_DIR}/make-man.sh ${ORVANTIS_PACKAGING_DIR}/${program}.h2m
    VERBATIM)
  list(APPEND ORVANTIS_MAN_PAGES ${ORVANTIS_GENERATED_DIR}/${program}.1.gz)
endmacro()
if(ORVANTIS_SANITIZE OR ORVANTIS_BUILD_FUZZ)
  # Instrumented programs are never installed.
elseif(ORVANTIS_HELP2MAN)
  orvantis_man_page(orvantis-cli "simulate multi-stage inventory networks from the command line")
  if(TARGET orvantis)
    orvantis_man_page(orvantis "simulate multi-stage inventory networks (desktop program)")
  endif()
  add_custom_target(orvantis_man ALL DEPENDS ${ORVANTIS_MAN_PAGES})
  install(FILES ${ORVANTIS_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the manual pages are not built (`make package` installs it)")
endif()

# The desktop program and what puts it in the menu and the file manager: the desktop entry, its
# icon, the AppStream metainfo and the MIME type of .orv models.
if(TARGET orvantis)
  install(TARGETS orvantis RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.metainfo.xml.in
                 ${ORVANTIS_GENERATED_DIR}/${ORVANTIS_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${ORVANTIS_GENERATED_DIR}/${ORVANTIS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME ${ORVANTIS_APP_ID}.xml)
endif()

# `make package`: build/orvantis_VERSION_ARCH.deb. Its dependencies come from dpkg-shlibdeps; the
# menu, MIME and icon caches are refreshed by the triggers of the packages that own them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ORVANTIS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simulator of multi-stage inventory networks")
# The extended description below the summary; CPack writes an empty line as Debian's " .".
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvantis simulates multi-stage inventory networks period by period: up to\n"
  "25 stages, each with its processing, demand, costs, failures and inventory\n"
  "policy, run with a seed and a warm-up. It reports the costs, statistics for\n"
  "every stage and the period-by-period history, and runs batches of parameter\n"
  "sweeps on every processor core.\n"
  "\n"
  "The package holds the desktop program (orvantis), the command-line program\n"
  "(orvantis-cli) with its bash completion, and example models.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORVANTIS_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
