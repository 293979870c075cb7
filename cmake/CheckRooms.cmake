# Fails when a file of a lower room includes a header of a higher one, or when
# widget-free code (src/<room>/*) includes window code (src/<room>/ui/*).
#
#   cmake -DSOURCE_DIR=<folder holding src/> -P CheckRooms.cmake
#
# Rooms of equal rank do not include each other.  A room that needs another of
# its rank moves what both need into a lower room, or takes it through a hook.

set(VOSPAN_ROOM_RANKS
  base 0
  data 1
  widgets 2
  workspace 3
  tools 3
  help 3
  report 4
  suggest 5
  shell 9)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckRooms: SOURCE_DIR is not set")
endif()

function(room_rank room out)
  list(FIND VOSPAN_ROOM_RANKS ${room} i)
  if(i LESS 0)
    set(${out} "" PARENT_SCOPE)
  else()
    math(EXPR j "${i} + 1")
    list(GET VOSPAN_ROOM_RANKS ${j} rank)
    set(${out} ${rank} PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(faults "")
foreach(file ${files})
  string(REPLACE "/" ";" pieces ${file})
  list(LENGTH pieces depth)
  if(depth LESS 2)
    continue() # src/main.cpp: the program's entry, above every room
  endif()
  list(GET pieces 0 room)
  room_rank(${room} rank)
  if(rank STREQUAL "")
    list(APPEND faults "${file}: the room '${room}' has no rank in cmake/CheckRooms.cmake")
    continue()
  endif()
  set(isUi FALSE)
  if(depth GREATER 2)
    list(GET pieces 1 sub)
    if(sub STREQUAL "ui")
      set(isUi TRUE)
    endif()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    string(REPLACE "/" ";" hpieces ${header})
    list(LENGTH hpieces hdepth)
    if(hdepth LESS 2)
      continue() # a generated or neighbouring file (moc output, "x.h" beside it)
    endif()
    list(GET hpieces 0 hroom)
    room_rank(${hroom} hrank)
    if(hrank STREQUAL "")
      continue() # not one of our folders
    endif()
    list(GET hpieces 1 hsub)
    if(NOT isUi AND hsub STREQUAL "ui")
      list(APPEND faults "${file}: widget-free code includes window code \"${header}\"")
    endif()
    if(NOT hroom STREQUAL room AND NOT hrank LESS rank)
      list(APPEND faults "${file}: room '${room}' (rank ${rank}) includes \"${header}\" of room '${hroom}' (rank ${hrank})")
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the order of the rooms:\n  ${text}")
endif()
list(LENGTH files n)
message(STATUS "Rooms: ${n} files checked, every include follows the order of the rooms")
