# Debian packages of an installation, made by CPack's DEB generator (the build's
# `package` target, or `cpack` in the build folder), one per install component:
#
#   nevalorum-forecast      component tool     the command-line tool
#   nevalorum-pelinor       component desktop  the desktop program, its .desktop file,
#                                              icon and AppStream metadata
#   nevalorum-pelinor-data  component data     System/, Output/, Html/, Help/ in
#                                              /usr/share/nevalorum-pelinor (Architecture: all)
#
# The programs' dependencies are those of their binaries (dpkg-shlibdeps), and
# each depends on the data of the same version and on fonts-liberation: the
# charts' text is drawn in its Liberation Sans, whose path the build found.

set(NEVALORUM_PACKAGE_tool nevalorum-forecast)
set(NEVALORUM_PACKAGE_desktop nevalorum-pelinor)
set(NEVALORUM_PACKAGE_data nevalorum-pelinor-data)
set(NEVALORUM_PACKAGED_COMPONENTS tool data)
if(TARGET nevalorum-pelinor)
  list(APPEND NEVALORUM_PACKAGED_COMPONENTS desktop)
endif()

# Every package has its copyright and changelog in /usr/share/doc/PACKAGE.
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
nevalorum_gzip(${PROJECT_SOURCE_DIR}/dist/changelog ${changelog})
add_custom_target(package_changelog ALL DEPENDS ${changelog})
foreach(component IN LISTS NEVALORUM_PACKAGED_COMPONENTS)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${NEVALORUM_PACKAGE_${component}}
          COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nevalorum-pelinor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Nevalorum Pelinor developers")
set(CPACK_PACKAGE_CONTACT
    "Nevalorum Pelinor developers <developers@nevalorum-pelinor.example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${NEVALORUM_PACKAGED_COMPONENTS})

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SOURCE nevalorum-pelinor)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://nevalorum-pelinor.example.org/)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ${NEVALORUM_PACKAGE_tool})
set(CPACK_DEBIAN_TOOL_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_TOOL_DEPENDS data)
# The libraries opened when a step needs them, which the library scan does not see.
get_property(loaded_packages GLOBAL PROPERTY NEVALORUM_LOADED_LIBRARY_PACKAGES)
list(REMOVE_DUPLICATES loaded_packages)
list(PREPEND loaded_packages fonts-liberation)
list(JOIN loaded_packages ", " program_depends)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${program_depends}")
set(CPACK_DEBIAN_TOOL_DESCRIPTION
    "personal six-month astrological forecast, command-line tool
Writes a personal astrological transit forecast for the six months from this
month, in Russian, from a name, a birth date and a topic (finance, business,
love, sex, car, vacation, health): one HTML page with a chart per month, and
a ZIP archive of the pages.

This package holds the command-line tool nevalorum-forecast, which also
prints the planets' positions and a month's computation. It needs no
graphical environment. Its messages and its manual page are in English, and
in Russian under a Russian locale.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME ${NEVALORUM_PACKAGE_desktop})
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SHLIBDEPS ON)
set(CPACK_COMPONENT_DESKTOP_DEPENDS data)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "${program_depends}")
# Qt's platform plugin for Wayland sessions; without it the program runs through XWayland.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
    "personal six-month astrological forecast
Writes a personal astrological transit forecast for the six months from this
month, in Russian: type a name and a birth date and press a topic (finance,
business, love, sex, vacation, health). Each month becomes a page with a chart
and the days' interpretations, which can be printed.

This package holds the desktop program nevalorum-pelinor.")

set(CPACK_DEBIAN_DATA_PACKAGE_NAME ${NEVALORUM_PACKAGE_data})
set(CPACK_DEBIAN_DATA_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DATA_DESCRIPTION
    "personal six-month astrological forecast, data
The data that the programs of Nevalorum Pelinor lay out a working folder
from: the Pluto table, the topics' interpretation texts, the chart template,
the page styles, the strength marks, the introduction and the help pages.")

include(CPack)
