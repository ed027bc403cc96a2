# Installation on Linux and the Debian package (scripts/package.sh runs cpack).
#
# Everything here installs under CMAKE_INSTALL_PREFIX; the package puts that
# at /usr. Whatever this build does not make (no GUI, no tools) is left out,
# and a Windows build installs nothing from here.
if(WIN32 OR APPLE)
  return()
endif()

include(GNUInstallDirs)

set(FENNMERE_APP_ID org.fennmere.FennmereSetup)
set(FENNMERE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(FENNMERE_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
set(FENNMERE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/fennmere)
set(FENNMERE_PACKAGE_MAINTAINER "FennmereSetup maintainers <maintainers@fennmere.org>"
    CACHE STRING "Maintainer field of the Debian package")

find_program(FENNMERE_GZIP gzip)
if(NOT FENNMERE_GZIP)
  message(WARNING "gzip not found: no manual pages and no changelog are installed")
endif()

# Debian wants manual pages and the changelog compressed with gzip -9 and no
# file name or time stamp inside (-n), so that two builds give the same bytes.
function(fennmere_gzip_file source output)
  add_custom_command(
    OUTPUT ${output}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${output}
    COMMAND ${FENNMERE_GZIP} -9nf ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${output}"
    VERBATIM)
endfunction()

set(FENNMERE_PACKAGE_DATA)

# The programs, each with its manual page.
foreach(program FennmereSetup fennmere fennmere-loggersim)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(CMAKE_OBJCOPY)
    # A stripped install (the package's) also drops the compilers' version
    # notes, as Debian's own packaging tools do.
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()")
  endif()
  if(FENNMERE_GZIP)
    set(page ${FENNMERE_PACKAGING_OUT}/man/${program}.1)
    configure_file(${FENNMERE_PACKAGING_DIR}/man/${program}.1.in ${page}.in @ONLY)
    fennmere_gzip_file(${page}.in ${page})
    list(APPEND FENNMERE_PACKAGE_DATA ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# The desktop entry, the software-centre description and the icon go with the
# application only. The icon theme looks for fixed sizes; the sources hold one
# 64x64 image, so the others are scaled from it by a small Qt program run on
# the build machine (which a cross-build cannot run).
if(TARGET FennmereSetup)
  install(FILES ${FENNMERE_PACKAGING_DIR}/${FENNMERE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${FENNMERE_PACKAGING_DIR}/${FENNMERE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
  if(TARGET Qt6::Gui AND NOT CMAKE_CROSSCOMPILING)
    add_executable(fennmere-iconscale ${FENNMERE_PACKAGING_DIR}/iconscale.cpp)
    target_link_libraries(fennmere-iconscale PRIVATE Qt6::Gui)
    set(icon_sizes 16 32 48 64 128 256)
    set(icon_dir ${FENNMERE_PACKAGING_OUT}/icons)
    set(icon_files)
    foreach(size ${icon_sizes})
      list(APPEND icon_files ${icon_dir}/${size}x${size}/apps/${FENNMERE_APP_ID}.png)
    endforeach()
    add_custom_command(
      OUTPUT ${icon_files}
      COMMAND fennmere-iconscale ${PROJECT_SOURCE_DIR}/resources/images/icon.png ${icon_dir} ${FENNMERE_APP_ID}
              ${icon_sizes}
      DEPENDS fennmere-iconscale ${PROJECT_SOURCE_DIR}/resources/images/icon.png
      COMMENT "Scaling the application icon"
      VERBATIM)
    list(APPEND FENNMERE_PACKAGE_DATA ${icon_files})
    install(DIRECTORY ${icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
  endif()
endif()

install(FILES ${FENNMERE_PACKAGING_DIR}/copyright DESTINATION ${FENNMERE_DOC_DIR})
if(FENNMERE_GZIP)
  # The changelog names the package's version; one that lags behind the
  # project's is caught here rather than by the archive.
  file(STRINGS ${FENNMERE_PACKAGING_DIR}/changelog changelog_head LIMIT_COUNT 1)
  if(NOT changelog_head MATCHES "^fennmere \\(${PROJECT_VERSION}\\) ")
    message(WARNING "packaging/changelog does not begin with version ${PROJECT_VERSION}: add an entry")
  endif()
  fennmere_gzip_file(${FENNMERE_PACKAGING_DIR}/changelog ${FENNMERE_PACKAGING_OUT}/changelog)
  list(APPEND FENNMERE_PACKAGE_DATA ${FENNMERE_PACKAGING_OUT}/changelog.gz)
  install(FILES ${FENNMERE_PACKAGING_OUT}/changelog.gz DESTINATION ${FENNMERE_DOC_DIR})
endif()

add_custom_target(fennmere_package_data ALL DEPENDS ${FENNMERE_PACKAGE_DATA})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fennmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The FennmereSetup authors")
set(CPACK_PACKAGE_CONTACT "${FENNMERE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for GSM data loggers")
# CPack puts the summary above this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "FennmereSetup reads a data logger's configuration over a serial line, lets
it be edited page by page, keeps it as a setup file, writes it back with a
backup and a verification, returns a logger to its default configuration and
shows the logger's live measurements.

This package holds the desktop application FennmereSetup (Qt 6), the
command-line tool fennmere, which does the same from scripts and keeps a
logbook of every configuration read or written, and the logger simulator
fennmere-loggersim for tests and demonstrations.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FENNMERE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Folders the package shares with the system belong to root with mode 0755
# whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
include(CPack)
