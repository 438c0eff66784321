# Runs walkhost with the real plug-in in a scratch copy of the plug-ins
# folder, plays add-combination.walk, then checks with tgv that the library
# beside the plug-in holds the new combination.
# -D EMULATOR, WALKHOST, PLUGINS (folder), TGV, SCRIPT, WORK
include(${CMAKE_CURRENT_LIST_DIR}/WalkSupport.cmake)
tg_walk_folder("${WORK}")

execute_process(
  COMMAND ${EMULATOR} "${WORK}/${host_name}" --size 1024x768 --script "${SCRIPT}" --log "${WORK}/walk.log"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE walk_result
  TIMEOUT 150)
file(READ "${WORK}/walk.log" walk_log)
message("${walk_log}")
if(NOT walk_result EQUAL 0)
  message(FATAL_ERROR "walkhost failed (${walk_result})")
endif()

tg_tgv_show("${WORK}/plugins/Tintgrove.tgv" "演示客厅" "住宅/演示/" shown show_result)
message("${shown}")
if(NOT show_result EQUAL 0)
  message(FATAL_ERROR "tgv show found no combination \"演示客厅\" in 住宅/演示/ (${show_result})")
endif()
foreach(expected "走查主机里的客厅" "oak_floor.jpg")
  string(FIND "${shown}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the stored combination lacks ${expected}")
  endif()
endforeach()
