# Delay-load import libraries for the system libraries of the user interface
# and of COM: the launcher loads them on the first call into them, not at
# start. A start that never shows a window (a quiet launch, the extraction
# mode, the deletion mode, most runs up to the JVM) then never loads them;
# under Wine, loading user32 alone costs more CPU than a start's own work.
# All of them are known system libraries, so loading them later cannot pick
# up a planted copy.
#
# tlx_delay_import_libraries(OUT_VARIABLE name...): for each name, makes
# lib<name>_delayed.a in the build tree from the toolchain's import library
# (its exports, listed with nm, go through dlltool --output-delaylib) and
# puts the paths into OUT_VARIABLE. The mingw-w64 runtime supplies the
# loader (__delayLoadHelper2).
function(tlx_delay_import_libraries out_variable)
    string(REGEX REPLACE "-g\\+\\+(-[a-z0-9]+)?$" "" prefix "${CMAKE_CXX_COMPILER}")
    find_program(TLX_DLLTOOL NAMES "${prefix}-dlltool" REQUIRED)
    find_program(TLX_NM NAMES "${prefix}-nm" REQUIRED)
    if(TLX_ARCH STREQUAL "x64")
        set(import_prefix "__imp_")
        set(kill_at "")
    else()
        # 32-bit stdcall names carry "@bytes"; the DLL exports them without.
        set(import_prefix "__imp__")
        set(kill_at "--kill-at")
    endif()
    set(libraries "")
    foreach(name IN LISTS ARGN)
        set(import_library "${CMAKE_FIND_ROOT_PATH}/lib/lib${name}.a")
        set(def_file "${CMAKE_BINARY_DIR}/delay-imports/${name}.def")
        set(library "${CMAKE_BINARY_DIR}/delay-imports/lib${name}_delayed.a")
        if(NOT EXISTS "${library}" OR "${import_library}" IS_NEWER_THAN "${library}")
            execute_process(COMMAND "${TLX_NM}" -g --defined-only "${import_library}"
                            OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
            string(REGEX MATCHALL " ${import_prefix}[A-Za-z0-9_@?$]+" imports "${symbols}")
            list(TRANSFORM imports REPLACE "^ ${import_prefix}" "")
            list(REMOVE_DUPLICATES imports)
            list(JOIN imports "\n" exports)
            file(WRITE "${def_file}" "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
            execute_process(COMMAND "${TLX_DLLTOOL}" ${kill_at} --dllname "${name}.dll" --def "${def_file}"
                                    --output-delaylib "${library}"
                            WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/delay-imports" COMMAND_ERROR_IS_FATAL ANY)
        endif()
        list(APPEND libraries "${library}")
    endforeach()
    set(${out_variable} ${libraries} PARENT_SCOPE)
endfunction()
