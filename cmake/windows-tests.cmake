# x64 only: GoogleTest unit tests and the small Windows programs the process
# tests use (dialog helper, environment and holder tools, stand-ins for what
# this machine lacks).
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

file(GLOB TLX_UNIT_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${TLX_UNIT_SOURCES})
target_compile_options(unit_tests PRIVATE -Wall -Wextra)
target_link_libraries(unit_tests PRIVATE ${TLX_ALL_LAYERS} payloadwriter gtest gtest_main)
target_link_options(unit_tests PRIVATE -static -static-libgcc -static-libstdc++)

# Each tests/tools/NAME.cpp is one program NAME.exe.
file(GLOB TLX_TOOL_SOURCES CONFIGURE_DEPENDS tests/tools/*.cpp)
foreach(src IN LISTS TLX_TOOL_SOURCES)
    get_filename_component(name "${src}" NAME_WE)
    add_executable(${name} "${src}")
    target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}" ${TLX_JNI_INCLUDES})
    target_compile_definitions(${name} PRIVATE ${TLX_WIN_DEFINES})
    target_compile_options(${name} PRIVATE -Wall -Wextra)
    target_link_libraries(${name} PRIVATE user32 advapi32 gdi32 comctl32 shell32)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
endforeach()
# The shortcut reader loads links through the shell's COM objects.
target_link_libraries(lnkinfo PRIVATE ole32 uuid)
target_link_libraries(resinfo PRIVATE version)

# Resource-only DLLs that differ in their file version alone (the high word
# of 40000.0.0.0 has its top bit set), for the file-version comparison tests.
foreach(version 1.2.3.4 1.2.10.0 40000.0.0.0)
    string(REPLACE "." ";" parts "${version}")
    list(GET parts 0 v1)
    list(GET parts 1 v2)
    list(GET parts 2 v3)
    list(GET parts 3 v4)
    string(REPLACE "." "_" tag "${version}")
    add_library(versioned_${tag} SHARED tests/tools/versioned.rc)
    target_compile_definitions(versioned_${tag} PRIVATE TLX_V1=${v1} TLX_V2=${v2} TLX_V3=${v3} TLX_V4=${v4})
    target_link_options(versioned_${tag} PRIVATE -static-libgcc -s)
    set_target_properties(versioned_${tag} PROPERTIES LINKER_LANGUAGE C PREFIX "" OUTPUT_NAME "versioned_${tag}"
                          RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
endforeach()

# The extraction bench's baseline: the same file work as the payload check
# and the extraction, and nothing else.
add_executable(bench_copy bench/bench_copy.cpp)
target_compile_options(bench_copy PRIVATE -Wall -Wextra)
target_link_options(bench_copy PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(bench_copy PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")

# The launcher's untar alone in a process, for bench/untar_bench.py.
add_executable(untar_bench bench/untar_bench.cpp)
target_compile_options(untar_bench PRIVATE -Wall -Wextra)
target_link_libraries(untar_bench PRIVATE ${TLX_ALL_LAYERS})
target_link_options(untar_bench PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(untar_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
