# The download for Windows users: Pellowrick-<major>.<minor>-win32.zip (the
# product) or -win64.zip, holding one folder of the archive's own name with
# the program, the sample beside it and a read-me. Built with everything else.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(ARCHIVE_FLAVOUR win64)
else()
  set(ARCHIVE_FLAVOUR win32)
endif()
set(ARCHIVE_NAME Pellowrick-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}-${ARCHIVE_FLAVOUR})
set(ARCHIVE_FILE ${CMAKE_BINARY_DIR}/${ARCHIVE_NAME}.zip)
set(ARCHIVE_STAGE ${CMAKE_BINARY_DIR}/archive)
set(ARCHIVE_DIR ${ARCHIVE_STAGE}/${ARCHIVE_NAME})
set(ARCHIVE_README ${CMAKE_SOURCE_DIR}/docs/release-readme.txt)

# The sample is drawn afresh for the archive: the one in ${SAMPLE_DIR} names
# its sheet by this machine's path, which a user's machine does not have.
# Here the settings file names the sheet beside it, "walker.bmp".
add_custom_command(OUTPUT ${ARCHIVE_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ARCHIVE_STAGE} ${ARCHIVE_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ARCHIVE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Pellowrick> ${ARCHIVE_DIR}/Pellowrick.exe
  COMMAND ${GEN_DIR}/make_sample ${ARCHIVE_DIR} walker.bmp
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${ARCHIVE_README} -DTARGET=${ARCHIVE_DIR}/README.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/windows-text.cmake
  COMMAND ${CMAKE_COMMAND} -E chdir ${ARCHIVE_STAGE}
          ${CMAKE_COMMAND} -E tar cf ${ARCHIVE_FILE} --format=zip ${ARCHIVE_NAME}
  DEPENDS Pellowrick ${GEN_DIR}/make_sample ${ARCHIVE_README} ${CMAKE_SOURCE_DIR}/cmake/windows-text.cmake
  COMMENT "Packing ${ARCHIVE_NAME}.zip")
add_custom_target(archive ALL DEPENDS ${ARCHIVE_FILE})
