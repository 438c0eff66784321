# Two walkhost processes on one plug-in folder, at the same time: both open
# the panel on the library beside the plug-in, then each adds a combination
# and closes its panel; run twice, so that each closes first once. tgv then
# lists both combinations in the library.
# -D EMULATOR, WALKHOST, PLUGINS (folder), TGV, TEMPLATE, WORK
include(${CMAKE_CURRENT_LIST_DIR}/WalkSupport.cmake)

# name start before-add after-add (milliseconds)
function(write_script path name start before after)
  file(READ "${TEMPLATE}" text)
  string(REPLACE "@NAME@" "${name}" text "${text}")
  string(REPLACE "@START@" "${start}" text "${text}")
  string(REPLACE "@BEFORE@" "${before}" text "${text}")
  string(REPLACE "@AFTER@" "${after}" text "${text}")
  file(WRITE "${path}" "${text}")
endfunction()

function(run_pair label a_timing b_timing)
  set(dir "${WORK}/${label}")
  tg_walk_folder("${dir}")
  write_script("${dir}/a.walk" "甲方案" ${a_timing})
  write_script("${dir}/b.walk" "乙方案" ${b_timing})
  # Two COMMANDs of one execute_process run at the same time.
  execute_process(
    COMMAND ${EMULATOR} "${dir}/${host_name}" --size 800x600 --script "${dir}/a.walk" --log "${dir}/a.log"
    COMMAND ${EMULATOR} "${dir}/${host_name}" --size 800x600 --script "${dir}/b.walk" --log "${dir}/b.log"
    WORKING_DIRECTORY "${dir}"
    RESULTS_VARIABLE results
    TIMEOUT 150)
  foreach(who a b)
    if(EXISTS "${dir}/${who}.log")
      file(READ "${dir}/${who}.log" log)
      message("---- ${label} ${who}\n${log}")
    endif()
  endforeach()
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "${label}: walkhost failed (${results})")
  endif()
  foreach(name "甲方案" "乙方案")
    tg_tgv_show("${dir}/plugins/Tintgrove.tgv" "${name}" "团队/" shown show_result)
    if(NOT show_result EQUAL 0)
      message(FATAL_ERROR "${label}: the library lacks ${name} (${show_result}) ${shown}")
    endif()
  endforeach()
  execute_process(COMMAND ${EMULATOR} "${TGV}" list "${dir}/plugins/Tintgrove.tgv"
    OUTPUT_VARIABLE listed ERROR_VARIABLE list_errors TIMEOUT 60)
  message("---- ${label}: tgv list\n${listed}${list_errors}")
  foreach(name "甲方案" "乙方案")
    string(FIND "${listed}" "${name}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${label}: tgv list does not show ${name}")
    endif()
  endforeach()
  if(EXISTS "${dir}/plugins/Tintgrove.tgv.lock")
    message(FATAL_ERROR "${label}: the lock file was left behind")
  endif()
endfunction()

# A adds and closes first, B adds and closes later.
run_pair(a-closes-first "0;0;0" "600;7000;0")
# A adds first but closes last, after B added and closed.
run_pair(b-closes-first "0;0;12000" "600;5000;0")
