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

file(GLOB TLX_CORE_SOURCES CONFIGURE_DEPENDS
    launcher/*.cpp payload/*.cpp jre/*.cpp jvm/*.cpp coordination/*.cpp
    natives/*.cpp deferred_delete/*.cpp)
list(REMOVE_ITEM TLX_CORE_SOURCES "${CMAKE_SOURCE_DIR}/launcher/entry.cpp"
     "${CMAKE_SOURCE_DIR}/launcher/cxx_runtime.cpp")

# Size of the stub: every function in a section of its own, so that the linker
# keeps only what is reached from the entry point or an export; no RTTI, no
# exceptions. (Not -fdata-sections: the linker script would then put the
# zero-filled buffers into the file.) x86 drops the unwind tables too: 32-bit
# Windows unwinds through the SEH chain, never through them. x64 keeps them,
# since Windows walks the stack through them (the JVM's crash handling among
# others). -Os costs nothing measurable: the heavy loops are zlib's CRC and
# the unscrambling.
set(TLX_SIZE_OPTIONS -Os -ffunction-sections -fno-exceptions -fno-rtti -fno-ident)
if(NOT TLX_ARCH STREQUAL "x64")
    list(APPEND TLX_SIZE_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
endif()

# Everything but the entry point lives in one static library so that the unit
# tests link the same code the executable runs.
add_library(tlxcore STATIC ${TLX_CORE_SOURCES})
target_include_directories(tlxcore PUBLIC "${CMAKE_SOURCE_DIR}" ${TLX_JNI_INCLUDES})
target_compile_definitions(tlxcore PUBLIC ${TLX_WIN_DEFINES} TLX_BITNESS=${TLX_BITNESS})
target_compile_options(tlxcore PRIVATE ${TLX_WARNINGS} ${TLX_SIZE_OPTIONS})
include(cmake/delay_imports.cmake)
tlx_delay_import_libraries(TLX_DELAYED_SYSTEM_LIBRARIES user32 gdi32 comdlg32 ole32 oleaut32 shell32)
target_link_libraries(tlxcore PUBLIC z ${TLX_DELAYED_SYSTEM_LIBRARIES} advapi32 uuid)

add_executable(launcher WIN32 launcher/entry.cpp launcher/cxx_runtime.cpp resources/launcher.rc)
target_compile_options(launcher PRIVATE ${TLX_WARNINGS} ${TLX_SIZE_OPTIONS})
target_compile_definitions(launcher PRIVATE ${TLX_WIN_DEFINES})
target_include_directories(launcher PRIVATE "${CMAKE_SOURCE_DIR}" ${TLX_JNI_INCLUDES})
# Section garbage collection keeps what the entry point or an export reaches.
# The exported JNI natives are referenced by nothing inside the executable:
# their library must be linked whole (-Wl,--whole-archive), so that its
# objects are loaded at all; their exports then keep them and what they call.
# Stripped: an unstripped executable carries its symbol table behind the last
# section, exactly where the payload has to start.
target_link_libraries(launcher PRIVATE tlxcore)
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
    include(cmake/windows-tests.cmake)
else()
    # The x64 tests need a JVM library of the other bitness (tools/jvm.dll here).
    add_library(wrong_bitness_jvm SHARED tests/tools/i686/wrong_bitness_jvm.c)
    target_compile_options(wrong_bitness_jvm PRIVATE -Wall -Wextra)
    target_link_options(wrong_bitness_jvm PRIVATE -static-libgcc -s)
    set_target_properties(wrong_bitness_jvm PROPERTIES OUTPUT_NAME jvm PREFIX ""
                          RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
endif()
