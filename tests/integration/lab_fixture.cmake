# The labs of test hosts (lab/lan, lab/lan-modern, lab/lan-windows) as CTest
# fixtures: <fixture>_up builds a lab once before the first test that needs
# it, <fixture>_down removes it after the last one.
#
# Without root, a lab script exits 77 from `up`, `exec` and `down`, so CTest
# reports every lab test as skipped. A skipped setup test does not stop its
# dependents from running; they skip on their own because `exec` exits 77 as
# well. Under CI=true a lab script fails instead of skipping.

# velnor_lab(<fixture> SCRIPT <lab script> [PREFIX_FROM <variable> <default>]
#            UP_TIMEOUT <seconds>)
# Declares the fixture. Every lab script names what it creates after
# VELNOR_LAB_PREFIX; PREFIX_FROM gives this lab a variable of its own instead
# (default <default>), so that it never takes the names of another lab.
function(velnor_lab fixture)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "SCRIPT;UP_TIMEOUT" "PREFIX_FROM")
  cmake_path(SET script NORMALIZE "${ARG_SCRIPT}")
  if(ARG_PREFIX_FROM)
    list(GET ARG_PREFIX_FROM 0 variable)
    list(GET ARG_PREFIX_FROM 1 default)
    set(lan sh -c "VELNOR_LAB_PREFIX=\"\${${variable}:-${default}}\" exec \"$0\" \"$@\"" ${script})
  else()
    set(lan ${script})
  endif()
  set_property(GLOBAL PROPERTY VELNOR_LAB_${fixture} ${lan})

  add_test(NAME ${fixture}_up COMMAND ${lan} up)
  set_tests_properties(${fixture}_up PROPERTIES FIXTURES_SETUP ${fixture} LABELS lab
                                                SKIP_RETURN_CODE 77 TIMEOUT ${ARG_UP_TIMEOUT})
  add_test(NAME ${fixture}_down COMMAND ${lan} down)
  set_tests_properties(${fixture}_down PROPERTIES FIXTURES_CLEANUP ${fixture} LABELS lab
                                                  SKIP_RETURN_CODE 77 TIMEOUT 60)
endfunction()

# velnor_lab_test(NAME <name> [LAB <fixture>] [TIMEOUT <seconds>] COMMAND <cmd> [args...])
# Runs cmd inside the client namespace of the lab <fixture> (default: lab,
# the SMB1 lab) with VELNOR_LAB=1 set, one lab test at a time.
function(velnor_lab_test)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;LAB;TIMEOUT" "COMMAND")
  if(NOT ARG_NAME OR NOT ARG_COMMAND)
    message(FATAL_ERROR "velnor_lab_test needs NAME and COMMAND")
  endif()
  if(NOT ARG_LAB)
    set(ARG_LAB lab)
  endif()
  get_property(lan GLOBAL PROPERTY VELNOR_LAB_${ARG_LAB})
  if(NOT lan)
    message(FATAL_ERROR "velnor_lab_test: no lab ${ARG_LAB} declared with velnor_lab")
  endif()
  add_test(NAME ${ARG_NAME} COMMAND ${lan} exec ${ARG_COMMAND})
  set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED ${ARG_LAB} LABELS lab
                                              SKIP_RETURN_CODE 77 RUN_SERIAL TRUE)
  if(ARG_TIMEOUT)
    set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  endif()
endfunction()

# velnor_lab_values(<values file> <template> <output>)
# A lab's names and addresses live in one file its script sources
# (NAME=VALUE lines); this turns them into a header for the tests:
# configure_file(<template>) with @NAME@ for each value, and for a MAC
# address (aa:bb:...) also @NAME_TEXT@ (AA-BB-..., as Windows writes it),
# @NAME_SYSFS@ (aa:bb:..., as /sys/class/net shows it) and @NAME_BYTES@
# (0xAA, 0xBB, ...). @NAME_LIST@ gives a value of several words as a C++
# list of strings.
function(velnor_lab_values values template output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${values})
  file(READ ${values} text)
  string(REGEX MATCHALL "[^\n]+" lines "${text}")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^([A-Z][A-Z0-9_]*)=(.*)$")
      continue()
    endif()
    set(name ${CMAKE_MATCH_1})
    set(value "${CMAKE_MATCH_2}")
    if(value MATCHES "^\"(.*)\"$")
      set(value "${CMAKE_MATCH_1}")
    elseif(value MATCHES "^'(.*)'$")
      set(value "${CMAKE_MATCH_1}")
    endif()
    set(${name} "${value}")
    string(REPLACE " " "\", \"" words "${value}")
    set(${name}_LIST "\"${words}\"")
    if(value MATCHES "^[0-9A-Fa-f][0-9A-Fa-f](:[0-9A-Fa-f][0-9A-Fa-f])+$")
      string(TOUPPER "${value}" upper)
      string(REPLACE ":" "-" ${name}_TEXT "${upper}")
      string(TOLOWER "${value}" ${name}_SYSFS)
      string(REPLACE ":" ", 0x" bytes "${upper}")
      set(${name}_BYTES "0x${bytes}")
    endif()
  endforeach()
  configure_file(${template} ${output} @ONLY)
endfunction()
