# Installing and packing. `cmake --install BUILD [--prefix DIR]` puts both
# programs, the README and the sample script into the prefix; `make package`
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
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${Q9_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/examples/Script.c DESTINATION ${Q9_INSTALL_DOCDIR}/examples)

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
