# Fails when PROGRAM's --help names an option that its manual page MANUAL_PAGE does not.
#   cmake -DPROGRAM=<path> -DMANUAL_PAGE=<path> -P manual_page_options.cmake
foreach(variable PROGRAM MANUAL_PAGE)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "${variable} is not given")
    endif()
endforeach()

# The help goes to standard output, or with a usage error to standard error: both are read.
execute_process(COMMAND ${PROGRAM} --help
    OUTPUT_VARIABLE help ERROR_VARIABLE help_errors RESULT_VARIABLE status)
string(APPEND help "${help_errors}")
# Words only: brackets and semicolons would upset CMake's lists.
string(REGEX REPLACE "[^a-zA-Z0-9-]" " " words " ${help}")
string(REGEX MATCHALL " (-h|--[a-z][a-z0-9-]*)" mentions "${words}")
if(NOT mentions)
    message(FATAL_ERROR "${PROGRAM} --help (status ${status}) names no option:\n${help}")
endif()

file(READ ${MANUAL_PAGE} page)
set(missing)
set(checked)
foreach(mention ${mentions})
    string(STRIP "${mention}" option)
    # In the page's source every "-" of an option is written "\-"; the option's name ends there
    # ("\-h" is not found in "\-\-headless").
    string(REPLACE "-" "\\\\-" pattern "${option}")
    string(REGEX MATCH "${pattern}([^a-z0-9\\\\]|\\\\[^-]|$)" found "${page}")
    if(NOT found)
        list(APPEND missing ${option})
    endif()
    list(APPEND checked ${option})
endforeach()
list(REMOVE_DUPLICATES checked)
if(missing)
    list(REMOVE_DUPLICATES missing)
    message(FATAL_ERROR "${MANUAL_PAGE} does not describe: ${missing}")
endif()
message(STATUS "${MANUAL_PAGE} describes ${checked}")
