# Fails when PROGRAM loads a Qt library of displays or widgets (Gui, Widgets, OpenGL, ...), named
# by itself or by a library it loads.
#   cmake -DPROGRAM=<path> -P no_gui_library.cmake
find_program(LDD ldd REQUIRED)
execute_process(COMMAND ${LDD} ${PROGRAM} OUTPUT_VARIABLE loaded RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT loaded MATCHES "libQt6Core")
    message(FATAL_ERROR "ldd ${PROGRAM} (status ${status}) lists no Qt:\n${loaded}")
endif()
string(REGEX MATCHALL "libQt6[A-Za-z]+" qt "${loaded}")
list(REMOVE_DUPLICATES qt)
foreach(library ${qt})
    if(NOT library MATCHES "^libQt6(Core|SerialPort|Sql|Network)$")
        message(FATAL_ERROR "${PROGRAM} loads ${library}; all it loads of Qt: ${qt}")
    endif()
endforeach()
message(STATUS "${PROGRAM} loads of Qt: ${qt}")
