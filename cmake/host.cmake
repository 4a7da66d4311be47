# Host build: the pure core with GoogleTest under AddressSanitizer and
# UndefinedBehaviorSanitizer. Any sanitizer finding aborts the test.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(pellowrick_core PRIVATE ${SANITIZE})
target_link_options(pellowrick_core PUBLIC ${SANITIZE})

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*_test.cpp)
add_executable(host_tests ${HOST_TESTS} ${CMAKE_SOURCE_DIR}/tools/bmp_file_core.cpp)
target_compile_options(host_tests PRIVATE ${PELLOWRICK_FLAGS} ${SANITIZE})
target_link_libraries(host_tests PRIVATE pellowrick_core GTest::gtest_main)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60)

include(cmake/fuzz.cmake OPTIONAL)

# The key pass's replacement loop once more as the Windows builds compile
# it, vectorised: the sanitizers' checks keep GCC from vectorising it above.
add_executable(host_vectorised_tests ${CMAKE_SOURCE_DIR}/tests/host/key_colour_test.cpp
  ${CMAKE_SOURCE_DIR}/sheet/key_colour_core.cpp)
target_include_directories(host_vectorised_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(host_vectorised_tests PRIVATE ${PELLOWRICK_FLAGS} -O3)
target_link_libraries(host_vectorised_tests PRIVATE GTest::gtest_main)
add_test(NAME vectorised.ReplaceKeyPixels
  COMMAND host_vectorised_tests --gtest_filter=ReplaceKeyPixelsTest.*)
