# walkhost with the real plug-in, quit with the panel open right after a
# maintenance edit: once through File → Exit, once through the main window's
# close box. Each time tgv then finds the edited combination in the library
# beside the plug-in, and no lock file is left. A third run keeps the library
# read-only: the edit cannot be saved as the dialog closes (the user is told),
# and File → Exit offers it as an exchange file before the host goes.
# -D EMULATOR, WALKHOST, PLUGINS (folder), TGV, TEMPLATE, WORK
include(${CMAKE_CURRENT_LIST_DIR}/WalkSupport.cmake)

# label, the script's lines that quit, whether the library is read-only
function(run_walk label quit read_only)
  set(dir "${WORK}/${label}")
  tg_walk_folder("${dir}")
  file(READ "${TEMPLATE}" text)
  string(REPLACE "@QUIT@" "${quit}" text "${text}")
  file(WRITE "${dir}/quit.walk" "${text}")
  if(read_only)
    file(CHMOD "${dir}/plugins/Tintgrove.tgv" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
    file(READ "${dir}/plugins/Tintgrove.tgv" before HEX)
  endif()
  execute_process(
    COMMAND ${EMULATOR} "${dir}/${host_name}" --size 800x600 --script "${dir}/quit.walk" --log "${dir}/walk.log"
    WORKING_DIRECTORY "${dir}"
    RESULT_VARIABLE walk_result
    TIMEOUT 150)
  file(READ "${dir}/walk.log" walk_log)
  message("---- ${label}\n${walk_log}")
  string(FIND "${walk_log}" "edited" at)
  if(NOT walk_result EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "${label}: walkhost failed (${walk_result})")
  endif()
  if(read_only)
    # The message boxes' texts as the log quotes them (the script's own
    # lines hold only parts of them).
    string(FIND "${walk_log}" "不能保存：它是只读文件" told)
    string(FIND "${walk_log}" "本面板对图库所做的修改还没有保存" offered)
    if(told EQUAL -1 OR offered EQUAL -1)
      message(FATAL_ERROR "${label}: quitting the host did not offer the unsaved edit as an exchange file")
    endif()
    file(READ "${dir}/plugins/Tintgrove.tgv" after HEX)
    if(NOT after STREQUAL before)
      message(FATAL_ERROR "${label}: the read-only library was changed")
    endif()
    return()
  endif()
  tg_tgv_show("${dir}/plugins/Tintgrove.tgv" "关闭前修改" "走查/" shown show_result)
  message("${shown}")
  if(NOT show_result EQUAL 0)
    message(FATAL_ERROR "${label}: the library lacks the edited combination 走查/关闭前修改 (${show_result})")
  endif()
  string(FIND "${shown}" "关闭主机前的修改" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${label}: the edited combination lacks its new description")
  endif()
  if(EXISTS "${dir}/plugins/Tintgrove.tgv.lock")
    message(FATAL_ERROR "${label}: the lock file was left behind")
  endif()
endfunction()

run_walk(file-exit "main-menu 文件\nmenu 退出" OFF)
run_walk(close-box "close-box \"walkhost - 演示公寓\"" OFF)
run_walk(read-only-exit
  "answer OK 它是只读文件\nmain-menu 文件\nmenu 退出\nanswer No 要把新增和修改的配色组合另存为交换文件吗" ON)
