# The launcher's export table: a module-definition file made from
# natives/binding_table.h, the same lines registerNatives binds from.
# x86 exports each native under the decorated name the runtime's JNI lookup
# of a 32-bit library expects ("_Java_..._getValue0@24"), which mingw's
# linker does not produce by itself, and maps it onto the stdcall symbol;
# a byte count that does not match the function's arguments leaves that
# symbol undefined, so the link stops. x64 JNI names carry no decoration.
# registerNatives is exported undecorated in both builds.
set(TLX_BINDING_TABLE "${CMAKE_SOURCE_DIR}/natives/binding_table.h")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TLX_BINDING_TABLE}")
file(READ "${TLX_BINDING_TABLE}" table)
# Only class, method and bytes matter here. The signatures go first: their
# semicolons and brackets would break the text's split into a list of lines.
string(REGEX REPLACE "\"[^\"]*\", " "" table "${table}")
string(REPLACE "\n" ";" table "${table}")

set(def "EXPORTS\n    registerNatives\n")
set(count 0)
foreach(line IN LISTS table)
    if(NOT line MATCHES "^TLX_(NATIVE|EXPORT_ONLY)\\(([A-Za-z0-9]+), ([A-Za-z0-9_]+), ([0-9]+)\\)$")
        continue()
    endif()
    set(name "Java_com_tolvanrix_runtime_installer_platform_win32_${CMAKE_MATCH_2}_${CMAKE_MATCH_3}")
    if(TLX_ARCH STREQUAL "x64")
        string(APPEND def "    ${name}\n")
    else()
        string(APPEND def "    _${name}@${CMAKE_MATCH_4} = ${name}@${CMAKE_MATCH_4}\n")
    endif()
    math(EXPR count "${count} + 1")
endforeach()
if(NOT count EQUAL 71)
    message(FATAL_ERROR "natives/binding_table.h yields ${count} natives, not 71")
endif()

set(TLX_EXPORTS_DEF "${CMAKE_BINARY_DIR}/launcher_exports.def")
set(previous "")
if(EXISTS "${TLX_EXPORTS_DEF}")
    file(READ "${TLX_EXPORTS_DEF}" previous)
endif()
if(NOT previous STREQUAL def)
    file(WRITE "${TLX_EXPORTS_DEF}" "${def}")
endif()
