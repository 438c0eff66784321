# Shared by the walkhost scripts that use the real plug-in: a scratch folder
# holding walkhost and a copy of the plug-ins folder, and tgv's look at the
# library beside the plug-in. Needs EMULATOR, WALKHOST, PLUGINS and TGV.
get_filename_component(host_name "${WALKHOST}" NAME)

# An empty folder dir with walkhost and plugins\ (the plug-in, its library,
# its help and maps) copied in.
function(tg_walk_folder dir)
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}/plugins")
  file(COPY "${WALKHOST}" DESTINATION "${dir}")
  file(GLOB plugin_files "${PLUGINS}/*")
  file(COPY ${plugin_files} DESTINATION "${dir}/plugins")
endfunction()

# tgv show of one combination of library: its output and errors in out_var,
# its exit code in result_var.
function(tg_tgv_show library name category out_var result_var)
  execute_process(
    COMMAND ${EMULATOR} "${TGV}" show "${library}" --name "${name}" --category "${category}"
    RESULT_VARIABLE show_result
    OUTPUT_VARIABLE shown
    ERROR_VARIABLE show_errors
    TIMEOUT 60)
  set(${out_var} "${shown}${show_errors}" PARENT_SCOPE)
  set(${result_var} "${show_result}" PARENT_SCOPE)
endfunction()
