# Tests that drive real windows, built from the real resources, in both
# builds: the i686 one tests the product users get, the x86_64 one the same
# code with 64-bit pointers. Labelled "wine", so a machine that cannot run
# 32-bit programs can leave the i686 ones out (scripts/test.sh).

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WINE_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/support/*.cpp)
add_library(wine_support STATIC ${WINE_SUPPORT} ${CMAKE_SOURCE_DIR}/tools/bmp_file_core.cpp)
target_compile_options(wine_support PRIVATE ${PELLOWRICK_FLAGS})
target_include_directories(wine_support PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(wine_support PUBLIC pellowrick_shell gtest gtest_main psapi)

set(WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
# Each Wine test program's time limit; the test command sets it to 900
# where the i686 programs run emulated, several times slower.
set(PELLOWRICK_WINE_TEST_TIMEOUT 300 CACHE STRING "time limit of each Wine test, in seconds")
file(GLOB WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
foreach(src ${WINE_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${PELLOWRICK_FLAGS})
  target_link_libraries(${name} PRIVATE wine_support)
  target_link_options(${name} PRIVATE -static ${LARGE_ADDRESS_AWARE})
  add_resources(${name})
  add_dependencies(${name} Pellowrick sample)
  add_test(NAME wine.${name} COMMAND ${WINE_RUN} $<TARGET_FILE:${name}>)
  # Passed only when GoogleTest says so: a test program that Wine ended
  # half-way may still leave with code 0.
  set_tests_properties(wine.${name} PROPERTIES TIMEOUT ${PELLOWRICK_WINE_TEST_TIMEOUT} LABELS wine
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  set_property(TEST wine.${name} PROPERTY ENVIRONMENT
    "PELLOWRICK_EXE=$<TARGET_FILE:Pellowrick>;PELLOWRICK_SAMPLE=${SAMPLE_DIR}")
endforeach()

file(GLOB BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/bench/*_bench.cpp)
# The benchmarks run the program's own windows (the memory benchmark opens
# the panel from its template) and write their sheets with the BMP writer.
foreach(src ${BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${CMAKE_SOURCE_DIR}/tools/bmp_file_core.cpp)
  target_compile_options(${name} PRIVATE ${PELLOWRICK_FLAGS} -O2)
  target_link_libraries(${name} PRIVATE pellowrick_shell psapi)
  target_link_options(${name} PRIVATE -static ${LARGE_ADDRESS_AWARE})
  add_resources(${name})
endforeach()
