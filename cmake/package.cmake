# Installing and packing. `cmake --install BUILD [--prefix DIR]` puts both
# programs (stripped), their manual pages, the README, LICENSE, CHANGELOG and
# the sample script into the prefix; `make package`
# (or `cmake --build BUILD --target package`) packs the same files: a .tar.gz
# on Linux, a .zip in the Windows build.
if(WIN32)
  # One flat folder: the modder drops both programs into the game's folder.
  set(Q9_INSTALL_BINDIR .)
  set(Q9_INSTALL_DOCDIR .)
else()
  include(GNUInstallDirs)
  set(Q9_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(Q9_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
endif()

install(TARGETS Q9ToQ9strict RUNTIME DESTINATION ${Q9_INSTALL_BINDIR})
if(TARGET q9strict)
  install(TARGETS q9strict RUNTIME DESTINATION ${Q9_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
              ${CMAKE_SOURCE_DIR}/CHANGELOG.md DESTINATION ${Q9_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/examples/Script.c DESTINATION ${Q9_INSTALL_DOCDIR}/examples)

# Installed programs carry no debug information (a packager who keeps it
# separately turns this off).
option(Q9_INSTALL_STRIP "Strip the installed programs" ON)
if(Q9_INSTALL_STRIP AND CMAKE_STRIP)
  foreach(program Q9ToQ9strict q9strict)
    if(TARGET ${program})
      install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${Q9_INSTALL_BINDIR}/${program}${CMAKE_EXECUTABLE_SUFFIX}\")")
    endif()
  endforeach()
endif()

# A manual page for each program, made from its --help and --version by
# help2man when the build machine has it (the programs run here, so not when
# cross-building).
if(NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  find_program(Q9_HELP2MAN help2man)
  if(Q9_HELP2MAN)
    set(Q9_MAN_Q9ToQ9strict "converts one game script to the #strict syntax, asking for its path")
    set(Q9_MAN_q9strict "converts game scripts and folders of them to the #strict syntax")
    set(Q9_MAN_PAGES)
    foreach(program Q9ToQ9strict q9strict)
      set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
      add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${Q9_HELP2MAN} --no-info --no-discard-stderr "--name=${Q9_MAN_${program}}"
                --output=${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        VERBATIM)
      list(APPEND Q9_MAN_PAGES ${page})
    endforeach()
    add_custom_target(man ALL DEPENDS ${Q9_MAN_PAGES})
    # OPTIONAL: a build of the programs alone (./dev run) has made no pages.
    install(FILES ${Q9_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 OPTIONAL)
  else()
    message(WARNING "help2man not found: no manual pages (apt-get install help2man)")
  endif()
endif()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts game scripts to the #strict syntax")
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
# The programs carry no debug information in the archives.
set(CPACK_STRIP_FILES ON)
include(CPack)
