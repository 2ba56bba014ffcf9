# Host build tree: the payload build tool, the two Windows trees, the Java
# classes, and every test registration.
include(ExternalProject)

find_package(ZLIB REQUIRED)
add_subdirectory(builder)

foreach(arch x86 x64)
    if(arch STREQUAL "x86")
        set(toolchain "${CMAKE_SOURCE_DIR}/cmake/toolchain-i686.cmake")
    else()
        set(toolchain "${CMAKE_SOURCE_DIR}/cmake/toolchain-x86_64.cmake")
    endif()
    ExternalProject_Add(win-${arch}
        SOURCE_DIR "${CMAKE_SOURCE_DIR}"
        BINARY_DIR "${CMAKE_BINARY_DIR}/${arch}"
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${toolchain}
                   -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                   -DTLX_JDK_DIR=${TLX_JDK_DIR}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        USES_TERMINAL_BUILD ON)
endforeach()
set(TLX_X86_DIR "${CMAKE_BINARY_DIR}/x86")
set(TLX_X64_DIR "${CMAKE_BINARY_DIR}/x64")

include(cmake/java.cmake)

# Every setup file needs the runtime jar; the build tool takes it from its own
# directory, so both builds of the tool get a copy beside them.
set(tlx_runtime_jar "${CMAKE_BINARY_DIR}/java/tlxruntime.jar")
set(tlx_runtime_jar_copies "${CMAKE_BINARY_DIR}/builder/tlxruntime.jar" "${TLX_X64_DIR}/builder/tlxruntime.jar")
add_custom_command(OUTPUT ${tlx_runtime_jar_copies}
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/builder" "${TLX_X64_DIR}/builder"
    COMMAND "${CMAKE_COMMAND}" -E copy "${tlx_runtime_jar}" "${CMAKE_BINARY_DIR}/builder/tlxruntime.jar"
    COMMAND "${CMAKE_COMMAND}" -E copy "${tlx_runtime_jar}" "${TLX_X64_DIR}/builder/tlxruntime.jar"
    DEPENDS "${tlx_runtime_jar}" tlxruntime
    COMMENT "Placing tlxruntime.jar beside tlx-builder")
add_custom_target(builder_runtime_jar ALL DEPENDS ${tlx_runtime_jar_copies})

enable_testing()
include(cmake/tests.cmake)
