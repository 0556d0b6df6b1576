# The system DLLs that are not KnownDLLs are imported at first use, not when the program loads.
# Windows looks for a DLL it loads at start in the program's own folder first (a download folder,
# where anyone may have put a DLL of that name) and only KnownDLLs always in System32; what a
# program loads later follows the search that its first line restricts to System32.
#
# Each DLL gets an import library of the same name made with dlltool --output-delaylib from the
# list of functions in cmake/delayload/<name>.def; the folder comes first in every executable's
# library search, so "-l<name>" (as JUCE's modules ask for them) finds it instead of the system's.
# comdlg32 is a KnownDLL, but it imports comctl32, which is not and which imports VERSION in turn:
# loaded at start, it would bring a planted VERSION.dll along before the program's first line.
# A function missing from a list fails the link; the import check after the link fails the build
# should a DLL outside the KnownDLLs be imported at start anyway.
find_program(INSTALLER_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

set(INSTALLER_DELAYLOAD_DIR "${CMAKE_BINARY_DIR}/delayload")
file(MAKE_DIRECTORY "${INSTALLER_DELAYLOAD_DIR}")
file(GLOB delay_definitions CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/delayload/*.def")
set(INSTALLER_DELAYLOAD_LIBRARIES)

foreach(definition IN LISTS delay_definitions)
    get_filename_component(name "${definition}" NAME_WE)
    set(library "${INSTALLER_DELAYLOAD_DIR}/lib${name}.a")
    list(APPEND INSTALLER_DELAYLOAD_LIBRARIES "${library}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${definition}")

    if(NOT EXISTS "${library}" OR "${definition}" IS_NEWER_THAN "${library}")
        execute_process(COMMAND "${INSTALLER_DLLTOOL}" --input-def "${definition}" --output-delaylib "${library}"
                        WORKING_DIRECTORY "${INSTALLER_DELAYLOAD_DIR}" RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "dlltool could not make ${library} from ${definition}")
        endif()
    endif()
endforeach()

# The import check: the linked executable imports at start nothing but KnownDLLs.
set(INSTALLER_IMPORT_CHECK "${CMAKE_CURRENT_LIST_DIR}/check_imports.py")
find_program(INSTALLER_OBJDUMP NAMES x86_64-w64-mingw32-objdump REQUIRED)
