# What is installed, and the packages made of it with CPack: on Linux a Debian package of
# datapond-cli and datapond-meter with their manual pages, the bash completion, the README, the
# copyright file and the changelog;
# from the MinGW build a zip of Datapond.exe and datapond-cli.exe with the README as text.
# scripts/package builds both. Every artefact carries the project's one version number.

include(GNUInstallDirs)

# cpack would otherwise build every target, tests included; scripts/package builds what ships.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The version information of Datapond.exe, from the same number as datapond-cli --version.
set(generated ${CMAKE_BINARY_DIR}/generated)
file(CONFIGURE OUTPUT ${generated}/DatapondVersion.h @ONLY CONTENT
     "#define DATAPOND_VERSION_NUMBERS @PROJECT_VERSION_MAJOR@,@PROJECT_VERSION_MINOR@,@PROJECT_VERSION_PATCH@,0
#define DATAPOND_VERSION_TEXT \"@PROJECT_VERSION@.0\"
")
if(TARGET Datapond)
  target_include_directories(Datapond PRIVATE ${generated})
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/Datapond.rc DIRECTORY ${CMAKE_SOURCE_DIR}/app APPEND
               PROPERTY OBJECT_DEPENDS ${generated}/DatapondVersion.h)
endif()

set(CPACK_PACKAGE_NAME datapond)
set(CPACK_PACKAGE_VENDOR Brevanta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "downloads the logged readings of Brevanta water-quality meters")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS Datapond datapond-cli RUNTIME DESTINATION .)
  # Notepad of older Windows shows a text file with LF line ends as one line.
  configure_file(${CMAKE_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME datapond-${PROJECT_VERSION}-windows-x64)
elseif(TARGET datapond-cli AND TARGET datapond-meter)
  install(TARGETS datapond-cli datapond-meter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The manual pages carry the version; man reads them gzipped, as Debian installs them.
  set(pages "")
  foreach(name datapond-cli datapond-meter)
    configure_file(${CMAKE_SOURCE_DIR}/doc/${name}.1 ${CMAKE_BINARY_DIR}/man/${name}.1 @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${name}.1.gz
                       COMMAND gzip -9 -n -k -f ${CMAKE_BINARY_DIR}/man/${name}.1
                       DEPENDS ${CMAKE_BINARY_DIR}/man/${name}.1 VERBATIM)
    list(APPEND pages ${CMAKE_BINARY_DIR}/man/${name}.1.gz)
  endforeach()
  add_custom_target(manual-pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/doc/datapond-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME datapond-cli)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/doc/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/datapond)

  # The changelog of a package without a Debian revision, gzipped as Debian installs it; its
  # newest entry must be this version, so a release cannot forget to say what it brings.
  file(STRINGS ${CMAKE_SOURCE_DIR}/doc/changelog newest LIMIT_COUNT 1)
  if(NOT newest MATCHES "^datapond \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "doc/changelog begins \"${newest}\": its newest entry must be datapond (${PROJECT_VERSION})")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/doc/changelog ${CMAKE_BINARY_DIR}/doc/changelog COPYONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.gz
                     COMMAND gzip -9 -n -k -f ${CMAKE_BINARY_DIR}/doc/changelog
                     DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog VERBATIM)
  add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/datapond)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Datapond maintainers <maintainers@datapond.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # bash-completion loads /usr/share/bash-completion/completions/datapond-cli when the command
  # is first completed; without it no shell finds the file.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_PACKAGE_DESCRIPTION [[datapond-cli reads every logged reading of a Brevanta portable meter
(dissolved oxygen, suspended solids, or pH, ORP and temperature) over a
serial line, keeps each download as the meter sent it, and saves the readings
as aligned text, an XML spreadsheet, an Excel workbook or delimited text.
datapond-meter simulates each meter on a pseudo-terminal.]])

  # The manual pages, --help and the completion agree; the package installs, works and goes.
  add_test(NAME manual_check
           COMMAND ${CMAKE_SOURCE_DIR}/tests/package/manual_check.sh $<TARGET_FILE:datapond-cli>
                   $<TARGET_FILE:datapond-meter> ${CMAKE_BINARY_DIR}/man ${CMAKE_SOURCE_DIR}/doc/datapond-cli.bash)
  set_tests_properties(manual_check PROPERTIES LABELS unit)
  add_test(NAME package_check COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package_check.sh ${CMAKE_SOURCE_DIR}/build/package
                                      ${PROJECT_VERSION} $<TARGET_FILE:datapond-cli>)
  set_tests_properties(package_check PROPERTIES LABELS package SKIP_RETURN_CODE 77)
endif()

include(CPack)
