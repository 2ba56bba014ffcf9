# Test registrations. Every test runs against the real executables under
# wine64 in one WINEPREFIX inside the build tree; tests isolate themselves by
# their own directories and registry keys, not by separate prefixes.
find_program(TLX_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(TLX_RESULTS_DIR "${CMAKE_BINARY_DIR}/test-results")
file(MAKE_DIRECTORY "${TLX_RESULTS_DIR}")
set(TLX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(TLX_TEST_ENV
    "TLX_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "TLX_BUILD_DIR=${CMAKE_BINARY_DIR}"
    "TLX_X86_DIR=${TLX_X86_DIR}"
    "TLX_X64_DIR=${TLX_X64_DIR}"
    "TLX_JDK_DIR=${TLX_JDK_DIR}"
    "TLX_BUILDER=$<TARGET_FILE:tlx-builder>"
    "WINEPREFIX=${TLX_WINEPREFIX}"
    "WINEDEBUG=-all")

add_test(NAME wine_prefix
         COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix-init.sh")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${TLX_TEST_ENV}" TIMEOUT 180)

add_test(NAME unit
         COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh" "${TLX_X64_DIR}/unit_tests.exe"
                 "--gtest_output=xml:Z:${TLX_RESULTS_DIR}/unit.xml")
set_tests_properties(unit PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${TLX_TEST_ENV}" TIMEOUT 600)

# One CTest test per pytest module, so that CTest can run them side by side.
file(GLOB TLX_PYTEST_MODULES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/process/test_*.py")
foreach(module IN LISTS TLX_PYTEST_MODULES)
    get_filename_component(name "${module}" NAME_WE)
    string(REGEX REPLACE "^test_" "" name "${name}")
    add_test(NAME ${name}
             COMMAND "${TLX_PYTHON}" -m pytest -q -p no:cacheprovider
                     "--junitxml=${TLX_RESULTS_DIR}/${name}.xml" "${module}"
             WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}/tests/process")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${TLX_TEST_ENV}" TIMEOUT 1800)
endforeach()

# These modules judge what is on the screen (pixels of the splash and the
# installer window, the foreground window) on the display every module
# shares; another module's windows meanwhile would be judged as theirs.
set_tests_properties(splash java_window PROPERTIES RUN_SERIAL TRUE)
