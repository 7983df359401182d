# Fails unless the program's sources name WORD in the one file PLACE (relative to ROOT).
#   cmake -DROOT=<source folder> -DWORD=<name> -DPLACE=<file> -P one_place.cmake
file(GLOB_RECURSE sources RELATIVE "${ROOT}"
     "${ROOT}/platform/*" "${ROOT}/settings/*" "${ROOT}/runner/*" "${ROOT}/wizard/*" "${ROOT}/tools/*")
set(found)
foreach(source IN LISTS sources)
  if(source MATCHES "\\.(cpp|h)$")
    file(STRINGS "${ROOT}/${source}" lines REGEX "${WORD}")
    if(lines)
      list(APPEND found "${source}")
    endif()
  endif()
endforeach()
if(NOT found STREQUAL PLACE)
  message(FATAL_ERROR "${WORD} is named in: ${found}; it belongs in ${PLACE} alone")
endif()
message(STATUS "${WORD} is named in ${PLACE} alone")
