# Installed layout (cmake --install) and the Debian package (cpack, see scripts/package).
include(GNUInstallDirs)

set(CFG_PACKAGE_NAME cfg740rb)
set(CFG_APP_ID org.cfg740rb.Cfg740RB)
set(CFG_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(CFG_PACKAGING_OUT ${CMAKE_CURRENT_BINARY_DIR}/packaging)

# The window program sits in a private folder beside one link per product: the name it is
# started under selects the product, so each link (and the desktop entry running it) opens
# one product.
set(CFG_PRIVATE_DIR lib/${CFG_PACKAGE_NAME})
# Only system libraries are linked: no run path (Qt's project setup would ask for $ORIGIN,
# which the linked files have no room for and Debian does not want).
set(CFG_INSTALLED_TARGETS Cfg_740RB modem-sim)
if(TARGET modemcfg)
  list(APPEND CFG_INSTALLED_TARGETS modemcfg)
endif()
set_target_properties(${CFG_INSTALLED_TARGETS} PROPERTIES INSTALL_RPATH "")
set(CFG_PRODUCT_LINKS "740R-B" "620R" "KMA-410D-900" "KMA-410D-868" "JT-LNK-9-D")
install(TARGETS Cfg_740RB RUNTIME DESTINATION ${CFG_PRIVATE_DIR})
file(MAKE_DIRECTORY ${CFG_PACKAGING_OUT}/links)
foreach(link IN LISTS CFG_PRODUCT_LINKS)
  file(CREATE_LINK Cfg_740RB ${CFG_PACKAGING_OUT}/links/${link} SYMBOLIC)
endforeach()
install(DIRECTORY ${CFG_PACKAGING_OUT}/links/ DESTINATION ${CFG_PRIVATE_DIR})

# Command-line programs. modemcfg, the command-line configurator, is installed here with
# its manual page once it is built.
install(TARGETS modem-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET modemcfg)
  install(TARGETS modemcfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(CFG_PACKAGE_MAINTAINER "Cfg_740RB maintainers <maintainers@users.noreply.c-seed-b8e59246.example>"
    CACHE STRING "Maintainer field of the Debian package")
# Release dates are the build's (SOURCE_DATE_EPOCH when set: scripts/package sets it to the
# date of the commit it packages).
string(TIMESTAMP CFG_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP CFG_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

# Manual pages and the changelog, gzipped as Debian wants them.
find_program(CFG_GZIP gzip REQUIRED)
function(cfg_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "mkdir -p \"$(dirname \"$2\")\" && ${CFG_GZIP} -9nc \"$1\" > \"$2\"" sh ${source} ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
set(CFG_MAN_PAGES Cfg_740RB.1 modem-sim.1)
if(TARGET modemcfg)
  list(APPEND CFG_MAN_PAGES modemcfg.1)
endif()
set(CFG_MAN_GZ)
foreach(page IN LISTS CFG_MAN_PAGES)
  cfg_gzip(${CFG_PACKAGING_DIR}/man/${page} ${CFG_PACKAGING_OUT}/man/${page}.gz)
  list(APPEND CFG_MAN_GZ ${CFG_PACKAGING_OUT}/man/${page}.gz)
endforeach()
configure_file(${CFG_PACKAGING_DIR}/changelog.in ${CFG_PACKAGING_OUT}/changelog @ONLY)
cfg_gzip(${CFG_PACKAGING_OUT}/changelog ${CFG_PACKAGING_OUT}/changelog.gz)
add_custom_target(package-docs ALL DEPENDS ${CFG_MAN_GZ} ${CFG_PACKAGING_OUT}/changelog.gz)
install(FILES ${CFG_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Icon theme: the program's own application icons, drawn at the theme's sizes.
set(CFG_THEME_OUT ${CFG_PACKAGING_OUT}/hicolor)
set(CFG_THEME_PNGS)
foreach(size 48 64 128 256)
  foreach(icon korvelegg brisca tolvane)
    list(APPEND CFG_THEME_PNGS ${CFG_THEME_OUT}/${size}x${size}/apps/${CFG_PACKAGE_NAME}-${icon}.png)
  endforeach()
endforeach()
add_custom_command(OUTPUT ${CFG_THEME_PNGS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:draw-icons> --hicolor ${CFG_THEME_OUT} ${CFG_PACKAGE_NAME}-
  DEPENDS draw-icons VERBATIM)
add_custom_target(theme-icons ALL DEPENDS ${CFG_THEME_PNGS})
install(DIRECTORY ${CFG_THEME_OUT} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Desktop entries run the links by absolute path, so they are written when the prefix is
# known: at install time (cmake --install --prefix, or cpack). Their StartupWMClass is the
# link's name, which X11 reports as the window's instance, so a desktop matches each running
# window to its product's entry.
file(GLOB CFG_DESKTOP_TEMPLATES CONFIGURE_DEPENDS ${CFG_PACKAGING_DIR}/applications/*.desktop.in)
install(CODE "
  set(CFG_PRIVATE_PATH \"\${CMAKE_INSTALL_PREFIX}/${CFG_PRIVATE_DIR}\")
  foreach(template IN ITEMS ${CFG_DESKTOP_TEMPLATES})
    get_filename_component(entry \"\${template}\" NAME_WLE)
    configure_file(\"\${template}\" \"${CFG_PACKAGING_OUT}/applications/\${entry}\" @ONLY)
    file(INSTALL \"${CFG_PACKAGING_OUT}/applications/\${entry}\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  endforeach()
")
install(FILES ${CFG_PACKAGING_DIR}/${CFG_PACKAGE_NAME}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
configure_file(${CFG_PACKAGING_DIR}/${CFG_APP_ID}.metainfo.xml.in ${CFG_PACKAGING_OUT}/${CFG_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CFG_PACKAGING_OUT}/${CFG_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CFG_PACKAGING_DIR}/copyright ${CFG_PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CFG_PACKAGE_NAME})
# The user guide and its pictures (scripts/screenshot keeps them current).
file(GLOB CFG_GUIDE_PICTURES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/*.png)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/user-guide.md ${CFG_GUIDE_PICTURES}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CFG_PACKAGE_NAME})
# Networks: the plan format, the rules of the check and the example plans.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/network-plan.md ${CMAKE_CURRENT_SOURCE_DIR}/docs/network-rules.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CFG_PACKAGE_NAME})
install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/docs/examples
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CFG_PACKAGE_NAME})

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${CFG_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CFG_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for serial radio modems")
# The summary above is the synopsis; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop utility for a family of industrial serial radio modems
(740R-B, 620R, KMA 410D and JT-LNK-9-D). It reads a module's configuration
over a serial port, edits it on a tabbed window, writes it back, keeps
it in .40B files, restores the factory defaults and runs radio diagnostics
(bit-error-rate tests and a signal-strength measurement).
.
Each product has its own entry in the application menu. The package also
holds modem-sim, a simulated module on a pseudo-terminal for trying the
utility without hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The journal opens SQLite through Qt SQL's driver plugin, which no library links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The main window is laid out for these fonts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
# The desktop entries take the prefix from the install step, so cpack installs into the
# real prefix under a staging root rather than into a staging prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
