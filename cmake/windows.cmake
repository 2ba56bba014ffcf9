# Windows build tree (x86 or x64, chosen by the toolchain file): the launcher
# stub, and in the x64 tree the unit tests and the test tools.
if(NOT TLX_ARCH)
    message(FATAL_ERROR "configure the Windows trees with cmake/toolchain-*.cmake")
endif()

set(TLX_JNI_INCLUDES "${TLX_JDK_DIR}/include" "${TLX_JDK_DIR}/include/win32")
set(TLX_WARNINGS -Wall -Wextra -Wshadow -Werror)
# The launcher starts on Windows versions that lack newer API functions; keeping
# the headers at this level makes every newer function a run-time lookup.
set(TLX_WIN_DEFINES _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)
if(TLX_ARCH STREQUAL "x64")
    set(TLX_BITNESS 64)
else()
    set(TLX_BITNESS 32)
endif()

# The layers, bottom up. Each library links only the layers below it:
#   tlx_base           launcher/base: log, file system and code pages, the wide
#                      formatter, text helpers, RAII wrappers, named keys and ids
#   tlx_subsystems     payload, jre, jvm, coordination, deferred_delete, and the
#                      launcher's start-up record, error reporting and extraction
#                      directory, which the subsystems report and work through
#   tlx_orchestration  start-up, run styles, the work routine, the progress dialog
#   tlx_natives        the JNI natives; the base only
# launcher/cxx_runtime.cpp belongs to the executable alone (see there).
file(GLOB TLX_BASE_SOURCES CONFIGURE_DEPENDS launcher/base/*.cpp)
set(TLX_LAUNCHER_SHARED_SOURCES launcher/state.cpp launcher/errors.cpp launcher/jvm_hooks.cpp launcher/temp_files.cpp)
file(GLOB TLX_SUBSYSTEM_SOURCES CONFIGURE_DEPENDS
    payload/*.cpp jre/*.cpp jvm/*.cpp coordination/*.cpp deferred_delete/*.cpp)
file(GLOB TLX_ORCHESTRATION_SOURCES CONFIGURE_DEPENDS launcher/*.cpp)
list(REMOVE_ITEM TLX_ORCHESTRATION_SOURCES "${CMAKE_SOURCE_DIR}/launcher/entry.cpp"
     "${CMAKE_SOURCE_DIR}/launcher/cxx_runtime.cpp")
foreach(shared IN LISTS TLX_LAUNCHER_SHARED_SOURCES)
    list(REMOVE_ITEM TLX_ORCHESTRATION_SOURCES "${CMAKE_SOURCE_DIR}/${shared}")
endforeach()
file(GLOB TLX_NATIVES_SOURCES CONFIGURE_DEPENDS natives/*.cpp)

# Size of the stub: every function in a section of its own, so that the linker
# keeps only what is reached from the entry point or an export; no RTTI, no
# exceptions. (Not -fdata-sections: the linker script would then put the
# zero-filled buffers into the file.) x86 drops the unwind tables too: 32-bit
# Windows unwinds through the SEH chain, never through them; nor does it need
# frame pointers (GCC keeps them by default on this target only). x64 keeps
# its unwind tables, since Windows walks the stack through them (the JVM's
# crash handling among others). -Os costs nothing measurable elsewhere: the
# heavy loops are the CRC (below) and the unscrambling, written to be fast
# at either setting.
set(TLX_SIZE_OPTIONS -Os -ffunction-sections -fno-exceptions -fno-rtti -fno-ident)
if(NOT TLX_ARCH STREQUAL "x64")
    list(APPEND TLX_SIZE_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables
         -fomit-frame-pointer)
endif()

# The CRC runs over every byte of the payload and of the included runtime's
# archive: optimised for speed, not size.
set_source_files_properties(payload/crc32.cpp PROPERTIES COMPILE_OPTIONS -O2)

# What every layer compiles and links with. The libraries of the user
# interface and of COM are delay-loaded (see cmake/delay_imports.cmake).
include(cmake/delay_imports.cmake)
tlx_delay_import_libraries(TLX_DELAYED_SYSTEM_LIBRARIES user32 gdi32 comdlg32 ole32 oleaut32 shell32)
add_library(tlx_windows INTERFACE)
target_include_directories(tlx_windows INTERFACE "${CMAKE_SOURCE_DIR}" ${TLX_JNI_INCLUDES})
target_compile_definitions(tlx_windows INTERFACE ${TLX_WIN_DEFINES} TLX_BITNESS=${TLX_BITNESS})
target_link_libraries(tlx_windows INTERFACE z ${TLX_DELAYED_SYSTEM_LIBRARIES} advapi32 uuid)

# An empty source for the link checks, which consist of archives only;
# rewritten only when its text changes, so that a configure relinks nothing.
set(TLX_LAYER_CHECK_SOURCE "${CMAKE_BINARY_DIR}/layer_check.cpp")
file(CONFIGURE OUTPUT "${TLX_LAYER_CHECK_SOURCE}" CONTENT "// Nothing: a layer check links archives only.\n")

# tlx_layer(NAME SOURCES... [BELOW LAYERS...]): the layer's static library,
# linked with the layers below it, and its link check: a throw-away DLL that
# holds the whole archive and nothing but the layers below, linked with
# --no-undefined. The launcher holds every layer, so a call from a layer into
# one above would link there; here it is an undefined reference and the build
# stops.
function(tlx_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 layer "" "" "SOURCES;BELOW")
    add_library(${name} STATIC ${layer_SOURCES})
    target_compile_options(${name} PRIVATE ${TLX_WARNINGS} ${TLX_SIZE_OPTIONS})
    target_link_libraries(${name} PUBLIC ${layer_BELOW} tlx_windows)

    add_library(${name}_check SHARED "${TLX_LAYER_CHECK_SOURCE}")
    target_link_libraries(${name}_check PRIVATE -Wl,--whole-archive ${name} -Wl,--no-whole-archive)
    target_link_options(${name}_check PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-undefined)
    set_target_properties(${name}_check PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/layer-checks"
                          RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/layer-checks")
endfunction()

tlx_layer(tlx_base SOURCES ${TLX_BASE_SOURCES})
tlx_layer(tlx_subsystems SOURCES ${TLX_SUBSYSTEM_SOURCES} ${TLX_LAUNCHER_SHARED_SOURCES} BELOW tlx_base)
tlx_layer(tlx_orchestration SOURCES ${TLX_ORCHESTRATION_SOURCES} BELOW tlx_subsystems)
tlx_layer(tlx_natives SOURCES ${TLX_NATIVES_SOURCES} BELOW tlx_base)
# Every layer, for the launcher and the unit tests. Whole archives: the
# exported JNI natives are referenced by nothing inside the executable and
# would otherwise never be loaded by the linker.
set(TLX_ALL_LAYERS -Wl,--whole-archive tlx_orchestration tlx_subsystems tlx_natives tlx_base
                   -Wl,--no-whole-archive)

add_executable(launcher WIN32 launcher/entry.cpp launcher/cxx_runtime.cpp resources/launcher.rc)
# The export table: the linker reads the module-definition file as an input
# (CMake hands .def sources to the linker for libraries only). The exports
# are what keeps the natives through the section garbage collection.
include(cmake/exports.cmake)
target_link_options(launcher PRIVATE "${TLX_EXPORTS_DEF}")
set_property(TARGET launcher APPEND PROPERTY LINK_DEPENDS "${TLX_EXPORTS_DEF}")
target_compile_options(launcher PRIVATE ${TLX_WARNINGS} ${TLX_SIZE_OPTIONS})
# Section garbage collection then keeps only what the entry point or an
# export reaches out of those whole archives. Stripped: an unstripped
# executable carries its symbol table behind the last section, exactly where
# the payload has to start.
target_link_libraries(launcher PRIVATE ${TLX_ALL_LAYERS})
target_link_options(launcher PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections
                    -Wl,--subsystem,windows:5.0 -Wl,--major-os-version,5 -Wl,--minor-os-version,0)
set_target_properties(launcher PROPERTIES OUTPUT_NAME launcher)

# The payload writer is shared with the host build tool; the unit tests use it
# to build payloads in memory.
add_library(payloadwriter STATIC builder/payload_writer.cpp)
target_include_directories(payloadwriter PUBLIC "${CMAKE_SOURCE_DIR}")
target_compile_options(payloadwriter PRIVATE -Wall -Wextra)
target_link_libraries(payloadwriter PUBLIC z)

if(TLX_ARCH STREQUAL "x64")
    add_subdirectory(builder)
    include(cmake/windows-tests.cmake)
else()
    # The x64 tests need a JVM library of the other bitness (tools/jvm.dll here).
    add_library(wrong_bitness_jvm SHARED tests/tools/i686/wrong_bitness_jvm.c)
    target_compile_options(wrong_bitness_jvm PRIVATE -Wall -Wextra)
    target_link_options(wrong_bitness_jvm PRIVATE -static-libgcc -s)
    set_target_properties(wrong_bitness_jvm PROPERTIES OUTPUT_NAME jvm PREFIX ""
                          RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
endif()
