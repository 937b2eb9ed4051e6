# cmake -DTEXTS_DIR=<dir> -DBINARIES=<file;...> -P check_plain_texts_absent.cmake
# Fails when a line of the About box's plain texts appears as such in a built file.
set(lines)
foreach(name title description credits)
  file(STRINGS ${TEXTS_DIR}/${name}.txt text_lines)
  foreach(line IN LISTS text_lines)
    string(LENGTH "${line}" length)
    if(length GREATER_EQUAL 8)  # shorter lines could turn up by chance
      list(APPEND lines "${line}")
    endif()
  endforeach()
endforeach()

foreach(binary IN LISTS BINARIES)
  file(READ ${binary} content HEX)
  foreach(line IN LISTS lines)
    string(HEX "${line}" pattern)
    string(FIND "${content}" "${pattern}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${binary} holds the plain text \"${line}\"")
    endif()
  endforeach()
endforeach()
message(STATUS "No plain About text in: ${BINARIES}")
