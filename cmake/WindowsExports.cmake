# velnip_windows_exports(<dll target> <object library>): the DLL's export
# table and import library, both from velnip.def.
#
# The exports are __stdcall. On i686 the compiler decorates their symbols
# ("LocalIP@0"), so a module-definition file with the decorated names is
# generated from velnip.def and the objects; the linker's --kill-at exports
# them under the plain names of the table, with their ordinals. GNU ld would
# also strip the decoration from the import library it writes, leaving
# callers that declare the functions __stdcall (velnip.h) unable to link, so
# dlltool writes the import library instead: decorated symbols that import
# the plain names. On x86_64 there is no decoration and the same steps give
# the table unchanged.
function(velnip_windows_exports dll objects)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${dll}-windows.def)
  add_custom_command(
    OUTPUT ${def}
    COMMAND ${CMAKE_COMMAND} -DDEF=${VELNIP_DEF} -DOUT=${def} -DNM=${CMAKE_NM} -P
            ${PROJECT_SOURCE_DIR}/cmake/DefForWindows.cmake -- $<TARGET_OBJECTS:${objects}>
    DEPENDS ${VELNIP_DEF} ${PROJECT_SOURCE_DIR}/cmake/DefForWindows.cmake
            $<TARGET_OBJECTS:${objects}>
    COMMAND_EXPAND_LISTS VERBATIM
    COMMENT "Generating ${dll}'s export table from velnip.def")
  target_sources(${dll} PRIVATE ${def})
  target_link_options(${dll} PRIVATE -Wl,--kill-at)
  # velnip.dll and its import library libvelnip.dll.a.
  set_target_properties(${dll} PROPERTIES PREFIX "")
  add_custom_command(
    TARGET ${dll} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${def}
            --dllname $<TARGET_FILE_NAME:${dll}> --output-lib $<TARGET_LINKER_FILE:${dll}>
    COMMENT "Writing ${dll}'s import library")
endfunction()
