# The test LAN (lab/lan) as a CTest fixture: lab_up builds it once before the
# first test that needs it, lab_down removes it after the last one.
#
# Without root, lab/lan exits 77 from `up`, `exec` and `down`, so CTest reports
# every lab test as skipped. A skipped setup test does not stop its dependents
# from running; they skip on their own because `lan exec` exits 77 as well.
# Under CI=true lab/lan fails instead of skipping.

cmake_path(SET _velnor_lab_lan NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../../lab/lan")
# Cached so velnor_lab_test works from any directory of the build.
set(VELNOR_LAB_LAN "${_velnor_lab_lan}" CACHE INTERNAL "lab/lan script")

add_test(NAME lab_up COMMAND ${VELNOR_LAB_LAN} up)
set_tests_properties(lab_up PROPERTIES
    FIXTURES_SETUP lab
    LABELS lab
    SKIP_RETURN_CODE 77
    TIMEOUT 120)

add_test(NAME lab_down COMMAND ${VELNOR_LAB_LAN} down)
set_tests_properties(lab_down PROPERTIES
    FIXTURES_CLEANUP lab
    LABELS lab
    SKIP_RETURN_CODE 77
    TIMEOUT 60)

# velnor_lab_test(NAME name COMMAND cmd [args...])
# Runs cmd inside the lab's client namespace with VELNOR_LAB=1 set.
function(velnor_lab_test)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME" "COMMAND")
    if(NOT ARG_NAME OR NOT ARG_COMMAND)
        message(FATAL_ERROR "velnor_lab_test needs NAME and COMMAND")
    endif()
    add_test(NAME ${ARG_NAME} COMMAND ${VELNOR_LAB_LAN} exec ${ARG_COMMAND})
    set_tests_properties(${ARG_NAME} PROPERTIES
        FIXTURES_REQUIRED lab
        LABELS lab
        SKIP_RETURN_CODE 77
        RUN_SERIAL TRUE)
endfunction()

velnor_lab_test(NAME lab_smoke COMMAND ${CMAKE_CURRENT_LIST_DIR}/lab_smoke.sh)
