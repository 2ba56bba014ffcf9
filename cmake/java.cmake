# Java classes, compiled by the host JDK for Java 8 so that they run on every
# runtime the launcher accepts.
find_package(Java 11 REQUIRED COMPONENTS Development)
set(TLX_JAVA_RELEASE 8)

# tlx_java_jar(NAME OUTPUT SOURCE_DIR [AGAINST JAR] [NO_MANIFEST]): every
# .java file below SOURCE_DIR into one jar, rebuilt when a source changes;
# nothing when SOURCE_DIR is missing. AGAINST: a jar of this build the
# sources compile against (it is not copied into the output). NO_MANIFEST: a
# jar without META-INF/MANIFEST.MF, which the JVM then need not read and
# parse when it defines the jar's packages.
function(tlx_java_jar name output source_dir)
    cmake_parse_arguments(PARSE_ARGV 3 jar "NO_MANIFEST" "AGAINST" "")
    if(NOT EXISTS "${source_dir}")
        return()
    endif()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${source_dir}/*.java")
    set(classes "${CMAKE_BINARY_DIR}/java/${name}")
    set(class_path)
    if(jar_AGAINST)
        set(class_path -classpath "${jar_AGAINST}")
    endif()
    set(jar_flags cf)
    if(jar_NO_MANIFEST)
        set(jar_flags cfM)
    endif()
    add_custom_command(OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" -E rm -rf "${classes}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${classes}"
        COMMAND "${Java_JAVAC_EXECUTABLE}" --release ${TLX_JAVA_RELEASE} -encoding UTF-8
                -Xlint:-options ${class_path} -d "${classes}" ${sources}
        COMMAND "${Java_JAR_EXECUTABLE}" ${jar_flags} "${output}" -C "${classes}" .
        DEPENDS ${sources} ${jar_AGAINST}
        COMMENT "Building ${name} jar"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS "${output}")
endfunction()

# The runtime needs nothing from a manifest, and every start reads its jar.
tlx_java_jar(tlxruntime "${CMAKE_BINARY_DIR}/java/tlxruntime.jar" "${CMAKE_SOURCE_DIR}/runtime/src" NO_MANIFEST)
# The test classes include scenarios that call the runtime's platform classes.
tlx_java_jar(testjava "${CMAKE_BINARY_DIR}/java/tlxtests.jar" "${CMAKE_SOURCE_DIR}/tests/java"
             AGAINST "${CMAKE_BINARY_DIR}/java/tlxruntime.jar")
# Through the target, not only the file: a target that merely depends on the
# file runs the file's rule itself, and a parallel build then made the
# runtime jar twice, a copy beside the build tool differing from the other.
add_dependencies(testjava tlxruntime)
# The sample application that scripts/run-sample.sh puts into its setup file.
tlx_java_jar(samplejava "${CMAKE_BINARY_DIR}/java/sample.jar" "${CMAKE_SOURCE_DIR}/runtime/sample/src")
# An entry class without a main method, in a jar of its own: it shares its
# name with the runtime's entry class.
tlx_java_jar(testjavanomain "${CMAKE_BINARY_DIR}/java/tlxnomain.jar" "${CMAKE_SOURCE_DIR}/tests/java_nomain")
