# libFuzzer targets, built with clang (the host preset's compiler is g++),
# each run for a bounded time by ctest on a copy of its seed corpus.
find_program(CLANGXX NAMES clang++ clang++-14)
if(NOT CLANGXX)
  message(WARNING "clang++ not found: the fuzzers are not built")
  return()
endif()

set(FUZZ_FLAGS -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
    -finput-charset=UTF-8 -I${CMAKE_SOURCE_DIR})
# name and seconds; each is linked with the whole core
set(FUZZERS "settings|30" "frame_list|30" "command_line|15" "spin|15")
set(ALL_FUZZERS)
foreach(entry ${FUZZERS})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 seconds)
  set(exe ${CMAKE_BINARY_DIR}/fuzz_${name})
  add_custom_command(OUTPUT ${exe}
    COMMAND ${CLANGXX} ${FUZZ_FLAGS} -o ${exe}
            ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}_fuzz.cpp ${CORE_SOURCES}
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}_fuzz.cpp ${CORE_SOURCES}
    COMMENT "Building fuzzer ${name}")
  list(APPEND ALL_FUZZERS ${exe})
  set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  add_test(NAME fuzz.${name}
    COMMAND sh -c "rm -rf '${work}' && mkdir -p '${work}' && cp -r '${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name}/.' '${work}/' && '${exe}' -max_total_time=${seconds} -print_final_stats=1 '${work}'")
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
endforeach()
add_custom_target(fuzzers ALL DEPENDS ${ALL_FUZZERS})
