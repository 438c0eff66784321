# -D CPACK, BUILD (the win64 build tree), NAME (the package's file name
# without .zip), EMULATOR, SCRIPT, WORK
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/cpack" "${WORK}/unpacked")

execute_process(COMMAND ${CPACK} --config "${BUILD}/CPackConfig.cmake" -B "${WORK}/cpack"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(zip "${WORK}/cpack/${NAME}.zip")
if(NOT rc EQUAL 0 OR NOT EXISTS "${zip}")
  message(FATAL_ERROR "cpack made no ${NAME}.zip (${rc}):\n${out}${err}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${zip}" WORKING_DIRECTORY "${WORK}/unpacked" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NAME}.zip could not be unpacked")
endif()
set(root "${WORK}/unpacked/${NAME}")
foreach(entry plugins/Tintgrove.dll plugins/Tintgrove.tgv plugins/tintgrove.chm plugins/map/oak_floor.jpg
              plugins/map/wood.jpg walkhost.exe tgv.exe textures/oak_floor.jpg 安装说明.txt)
  if(NOT EXISTS "${root}/${entry}")
    message(FATAL_ERROR "${NAME}.zip lacks ${entry}")
  endif()
endforeach()
# The starter library goes out byte for byte as built.
file(SHA256 "${root}/plugins/Tintgrove.tgv" packed)
file(SHA256 "${BUILD}/bin/plugins/Tintgrove.tgv" built)
if(NOT packed STREQUAL built)
  message(FATAL_ERROR "the packed Tintgrove.tgv differs from the built one")
endif()
# The notes are Chinese text a Windows editor reads as UTF-8 (byte order mark).
file(READ "${root}/安装说明.txt" head LIMIT 3 HEX)
if(NOT head STREQUAL "efbbbf")
  message(FATAL_ERROR "安装说明.txt does not start with a UTF-8 byte order mark")
endif()

# A Chinese user's set-up when the machine has the locale: wine's help viewer
# decodes the help's title with the system code page, so only there does its
# window carry the caption "染界 帮助" that the script waits for. Elsewhere the
# script stops before the help.
execute_process(COMMAND locale -a OUTPUT_VARIABLE locales ERROR_QUIET)
set(script "${SCRIPT}")
set(run_env "")
if(locales MATCHES "zh_CN\\.(utf8|UTF-8)")
  set(run_env ${CMAKE_COMMAND} -E env LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8)
else()
  file(READ "${SCRIPT}" walk)
  string(REGEX REPLACE "# help.*" "" walk "${walk}")
  set(script "${WORK}/package-no-help.walk")
  file(WRITE "${script}" "${walk}")
endif()
execute_process(
  COMMAND ${run_env} ${EMULATOR} "${root}/walkhost.exe" --size 900x700 --script "${script}" --log "${WORK}/walk.log"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE walk_result
  TIMEOUT 200)
file(READ "${WORK}/walk.log" walk_log)
message("${walk_log}")
if(NOT walk_result EQUAL 0)
  message(FATAL_ERROR "walkhost from the unpacked package failed (${walk_result})")
endif()
