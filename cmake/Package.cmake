# One ZIP for a Windows user (cpack, or `cmake --build --preset win64
# --target package`): Tintgrove-<version>-win64.zip holds the plug-in folder
# as a host loads it (plugins\ with the DLL, the starter library, the help,
# the sample textures and the paint fan deck), walkhost with its demo
# textures to try it at once, tgv.exe, and the Chinese installation notes.
if(NOT WIN32 OR NOT TARGET Tintgrove OR NOT TARGET walkhost OR NOT TARGET tgv)
  return()
endif()

install(FILES $<TARGET_FILE:Tintgrove> ${TG_PLUGINS_DIR}/Tintgrove.tgv DESTINATION plugins)
if(TARGET tg_help)
  install(FILES ${TG_PLUGINS_DIR}/tintgrove.chm DESTINATION plugins)
endif()
install(DIRECTORY ${TG_PLUGINS_DIR}/map ${TG_PLUGINS_DIR}/paints DESTINATION plugins)
install(FILES $<TARGET_FILE:walkhost> $<TARGET_FILE:tgv> DESTINATION .)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/textures DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/data/install/安装说明.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Tintgrove)
set(CPACK_PACKAGE_VENDOR Tintgrove)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Tintgrove-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
