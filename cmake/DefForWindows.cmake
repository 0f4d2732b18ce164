# Writes the module-definition file the Windows linker and dlltool use for
# velnip: the names and ordinals of velnip.def, each name carrying the
# __stdcall decoration ("Name@Bytes") that the compiler gave its symbol in the
# library's objects, so that with --kill-at the DLL exports the undecorated
# name while the import library still resolves a caller's decorated reference.
# Targets without decoration (x86_64) get the names as they are.
# Usage: cmake -DDEF=velnip.def -DOUT=out.def -DNM=nm -P DefForWindows.cmake
#              -- OBJECT...
set(objects "")
set(after_dashes FALSE)
foreach(i RANGE ${CMAKE_ARGC})
  if(after_dashes AND DEFINED CMAKE_ARGV${i})
    list(APPEND objects "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(after_dashes TRUE)
  endif()
endforeach()
execute_process(COMMAND ${NM} -g --defined-only ${objects}
                OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\n]+" symbol_lines "${symbols}")
set(decorated "")
foreach(line IN LISTS symbol_lines)
  # "00000000 T _GetIpAddress@4": i686 symbols carry a leading underscore too.
  if(line MATCHES " T _?([A-Za-z_][A-Za-z0-9_]*@[0-9]+)$")
    list(APPEND decorated "${CMAKE_MATCH_1}")
  endif()
endforeach()

file(STRINGS "${DEF}" lines)
set(in_exports FALSE)
set(body "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE ";.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line MATCHES "^LIBRARY[ \t]")
    string(APPEND body "${line}\n")
  elseif(line MATCHES "^EXPORTS$")
    set(in_exports TRUE)
    string(APPEND body "EXPORTS\n")
  elseif(in_exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)")
    set(name "${CMAKE_MATCH_1}")
    set(ordinal "${CMAKE_MATCH_2}")
    foreach(candidate IN LISTS decorated)
      if(candidate MATCHES "^${name}@[0-9]+$")
        set(name "${candidate}")
        break()
      endif()
    endforeach()
    string(APPEND body "    ${name} @${ordinal}\n")
  endif()
endforeach()
file(WRITE "${OUT}.tmp" "${body}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
