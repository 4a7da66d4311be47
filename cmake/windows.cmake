# Windows builds (i686 product, x86_64 the same code; both run under Wine): the Win32 shell,
# the resources, the program and the tests that drive real windows.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

set(WIN_LIBS comctl32 comdlg32 gdi32 user32 shell32 kernel32)
set(WIN_LINK -static -mwindows)
# Large-address-aware: a 32-bit program so marked gets 4 GiB of address
# space on 64-bit Windows (and under Wine) instead of 2 GiB. Measured with
# memory_bench on 24-bit sheets (open, then Start keyed from the top-left
# pixel), this build under Wine: without the mark 12000 x 12000 was the
# largest that started (Start peak 1270 MiB), 13000 x 13000 opened but could
# not start, 14000 x 14000 and 16384 x 16384 did not open. With it (and the
# sheet keyed where it loaded) 16384 x 16384, the largest texture current
# graphics cards take, opens (peak 1.5 copies of the sheet at 32 bits,
# 1.5 GiB above the program) and starts (peak 803 MiB in all). Checked for
# what the mark can break: no pointer is kept in or compared as a signed or
# 32-bit integer, sizes are reckoned in size_t or 64 bits, and no single
# object is asked for beyond PTRDIFF_MAX, so pointer differences stay
# defined above 2 GiB. x86_64 executables carry the mark already.
# The Wine tests and the benchmarks link the same way, so they run the
# product's code with the product's address space.
set(LARGE_ADDRESS_AWARE "")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(LARGE_ADDRESS_AWARE -Wl,--large-address-aware)
endif()
list(APPEND WIN_LINK ${LARGE_ADDRESS_AWARE})

# Build-time generators run on the build machine: the icon and the sample.
# Each is compiled with the core modules it writes its files through, so
# that the sample's settings file comes from the program's own encoder.
set(GEN_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GEN_DIR})
find_program(HOST_CXX NAMES c++ g++ REQUIRED)
set(draw_icon_MODULES tools/bmp_file_core)
set(make_sample_MODULES tools/bmp_file_core panel/settings_core)
foreach(tool draw_icon make_sample)
  set(sources ${CMAKE_SOURCE_DIR}/tools/${tool}.cpp)
  file(GLOB headers ${CMAKE_SOURCE_DIR}/*/*_core.h)
  foreach(module ${${tool}_MODULES})
    list(APPEND sources ${CMAKE_SOURCE_DIR}/${module}.cpp)
    list(APPEND headers ${CMAKE_SOURCE_DIR}/${module}.h)
  endforeach()
  add_custom_command(OUTPUT ${GEN_DIR}/${tool}
    COMMAND ${HOST_CXX} -std=c++17 -O1 -Wall -Wextra -I${CMAKE_SOURCE_DIR} -o ${GEN_DIR}/${tool} ${sources}
    DEPENDS ${sources} ${headers}
    COMMENT "Building host tool ${tool}")
endforeach()
add_custom_command(OUTPUT ${GEN_DIR}/pellowrick.ico
  COMMAND ${GEN_DIR}/draw_icon ${GEN_DIR}/pellowrick.ico
  DEPENDS ${GEN_DIR}/draw_icon
  COMMENT "Drawing the program icon")
add_custom_target(icon DEPENDS ${GEN_DIR}/pellowrick.ico)
set(SAMPLE_DIR ${CMAKE_BINARY_DIR}/sample)
add_custom_command(OUTPUT ${SAMPLE_DIR}/walker.bmp ${SAMPLE_DIR}/walker.plw
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SAMPLE_DIR}
  COMMAND ${GEN_DIR}/make_sample ${SAMPLE_DIR}
  DEPENDS ${GEN_DIR}/make_sample
  COMMENT "Drawing the sample sprite sheet")
add_custom_target(sample ALL DEPENDS ${SAMPLE_DIR}/walker.bmp ${SAMPLE_DIR}/walker.plw)

set(RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/res/pellowrick.rc)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES
  OBJECT_DEPENDS "${GEN_DIR}/pellowrick.ico;${CMAKE_SOURCE_DIR}/res/resource_ids.h;${CMAKE_SOURCE_DIR}/res/pellowrick.manifest")

# The shell: every *_win.cpp except the entry point, so tests link it too.
file(GLOB SHELL_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*_win.cpp
  ${CMAKE_SOURCE_DIR}/anim/*_win.cpp
  ${CMAKE_SOURCE_DIR}/sheet/*_win.cpp
  ${CMAKE_SOURCE_DIR}/panel/*_win.cpp)
list(FILTER SHELL_SOURCES EXCLUDE REGEX "winmain_win\\.cpp$")
add_library(pellowrick_shell STATIC ${SHELL_SOURCES})
target_compile_options(pellowrick_shell PRIVATE ${PELLOWRICK_FLAGS})
target_link_libraries(pellowrick_shell PUBLIC pellowrick_core ${WIN_LIBS})

function(add_resources target)
  target_sources(${target} PRIVATE ${RESOURCE_SCRIPT})
  add_dependencies(${target} icon)
  target_include_directories(${target} PRIVATE ${GEN_DIR} ${CMAKE_SOURCE_DIR})
endfunction()

add_executable(Pellowrick WIN32 ${CMAKE_SOURCE_DIR}/app/winmain_win.cpp)
target_compile_options(Pellowrick PRIVATE ${PELLOWRICK_FLAGS})
target_link_libraries(Pellowrick PRIVATE pellowrick_shell)
target_link_options(Pellowrick PRIVATE ${WIN_LINK})
add_resources(Pellowrick)

# The product's import table: only Windows system DLLs.
add_test(NAME product.imports_only_system_dlls
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh $<TARGET_FILE:Pellowrick> ${CMAKE_SYSTEM_PROCESSOR})
# Its menu, dialog, icon, version block and manifest, read back out of the
# executable.
add_test(NAME product.has_its_resources
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-resources.sh $<TARGET_FILE:Pellowrick> ${CMAKE_SYSTEM_PROCESSOR}
          ${PROJECT_VERSION})

include(cmake/archive.cmake)
# The archive: the program as built, the sample that opens where it is
# unpacked, a read-me Notepad shows.
add_test(NAME product.archive_contents
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-archive.sh ${ARCHIVE_FILE} ${ARCHIVE_NAME} $<TARGET_FILE:Pellowrick>)

set_tests_properties(product.imports_only_system_dlls product.has_its_resources
  product.archive_contents PROPERTIES LABELS product)

include(cmake/wine-tests.cmake)

# The run command's remote control (presses Start, closes the program).
add_executable(pellowrick_drive ${CMAKE_SOURCE_DIR}/tools/drive_win.cpp)
target_include_directories(pellowrick_drive PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(pellowrick_drive PRIVATE ${PELLOWRICK_FLAGS})
target_link_options(pellowrick_drive PRIVATE -static)

# The corpus player: plays every BMP file of a folder through the real
# program (scripts/play-corpus.sh).
add_executable(pellowrick_play_corpus ${CMAKE_SOURCE_DIR}/tools/play_corpus_win.cpp)
target_include_directories(pellowrick_play_corpus PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(pellowrick_play_corpus PRIVATE ${PELLOWRICK_FLAGS})
target_link_options(pellowrick_play_corpus PRIVATE -static)

# The loader fuzzer: seeded mutations of BMP files with up to 64 KiB of
# pixels, each read by the program's own load in a child process that
# watches GDI's reads of the program's fenced buffers and is started again
# after a crash (tools/loader_fuzz_win.cpp). Its test runs 3,000 cases of a
# fixed seed (9 to 10 s on the x86_64 build here, 6 to 8 s on the i686 one,
# with other Wine runs sharing the machine) and passes only when no case
# crashed, read past a fenced buffer or hung; longer runs are in the README.
add_executable(loader_fuzz ${CMAKE_SOURCE_DIR}/tools/loader_fuzz_win.cpp
  ${CMAKE_SOURCE_DIR}/tools/loader_fuzz_core.cpp ${CMAKE_SOURCE_DIR}/tools/bmp_file_core.cpp)
target_compile_options(loader_fuzz PRIVATE ${PELLOWRICK_FLAGS} -O2)
target_link_libraries(loader_fuzz PRIVATE pellowrick_shell)
target_link_options(loader_fuzz PRIVATE -static ${LARGE_ADDRESS_AWARE})
add_test(NAME fuzz.loader
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:loader_fuzz>
          --seed 20261208 --cases 3000 --work loader-fuzz)
set_tests_properties(fuzz.loader PROPERTIES TIMEOUT ${PELLOWRICK_WINE_TEST_TIMEOUT} LABELS wine
  PASS_REGULAR_EXPRESSION "cases/s\\): 0 crashes, 0 hangs,")
