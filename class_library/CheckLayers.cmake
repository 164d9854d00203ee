# cmake -DROOT=<source root> -DLAYERS=a,b,... -P CheckLayers.cmake
#
# The layers in dependency order: fails when a source of a layer (its tests,
# benchmarks and sub-folders included) includes a header of a layer listed
# after its own.
#
# cmake -DDIR=<class_library> -DPARTS=A,B -DUNITS_A=a/x.cpp,a/y.h -DUSES_A=A ...
#       [-DSUBDIR=visual -DUSES_SUBDIR=A,B] -P CheckLayers.cmake
#
# Each library (part) lives in the folder named after it in lower case; a
# sub-folder (SUBDIR) is a library of its own whose units may use the
# libraries in USES_SUBDIR.
# Fails when a unit includes a class-library header of a library its own
# library does not use, or when a source or header belongs to no library's
# list (it would silently drop out of the build).
if(LAYERS)
  string(REPLACE "," ";" layers "${LAYERS}")
  set(problems "")
  set(rank 0)
  foreach(layer ${layers})
    set(rank_${layer} ${rank})
    math(EXPR rank "${rank} + 1")
  endforeach()
  foreach(layer ${layers})
    file(GLOB_RECURSE files ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.c)
    foreach(file ${files})
      file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
      foreach(line ${includes})
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" used "${line}")
        # The layer of the header: the longest layer its path starts with
        # (headers of no layer, e.g. beside the including file, are not ours
        # to judge here).
        set(owner "")
        foreach(candidate ${layers})
          string(LENGTH "${candidate}" length)
          string(LENGTH "${owner}" best)
          if(used MATCHES "^${candidate}/" AND length GREATER best)
            set(owner ${candidate})
          endif()
        endforeach()
        if(owner AND rank_${owner} GREATER rank_${layer})
          file(RELATIVE_PATH shown ${ROOT} ${file})
          string(APPEND problems "${shown} (${layer}) includes ${used} (${owner}, a later layer)\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(problems)
    message(FATAL_ERROR "Layering broken:\n${problems}")
  endif()
  message(STATUS "Layering holds")
  return()
endif()

string(REPLACE "," ";" parts "${PARTS}")
set(problems "")
foreach(part ${parts})
  string(REPLACE "," ";" units "${UNITS_${part}}")
  foreach(unit ${units})
    get_filename_component(stem ${unit} NAME_WE)
    set(listed_${stem} ${part})
  endforeach()
endforeach()

# Every source and header lies in the folder of the library whose list names it.
file(GLOB files RELATIVE ${DIR} ${DIR}/*.cpp ${DIR}/*.h ${DIR}/*/*.cpp ${DIR}/*/*.h)
set(units "")
foreach(file ${files})
  get_filename_component(folder ${file} DIRECTORY)
  get_filename_component(stem ${file} NAME_WE)
  if(folder STREQUAL "tests" OR folder STREQUAL SUBDIR)
    continue()
  endif()
  string(TOUPPER "${folder}" part)
  if(NOT DEFINED listed_${stem} OR NOT listed_${stem} STREQUAL part)
    string(APPEND problems "${file} belongs to no library\n")
  else()
    list(APPEND units ${file})
  endif()
endforeach()

# Adds to problems each class-library header the file at Path includes that
# lies in a library outside Uses (a list); Label names the file.
function(check_includes Path Label Uses)
  file(STRINGS ${Path} includes REGEX "^#include \"class_library/[a-z]+/[A-Za-z0-9_]+\\.h\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"class_library/([a-z]+)/([A-Za-z0-9_]+)\\.h\".*" "\\1;\\2" used ${line})
    list(GET used 0 folder)
    list(GET used 1 header)
    string(TOUPPER "${folder}" owner)
    if(folder STREQUAL SUBDIR)
      set(owner SUBDIR)
    elseif(NOT listed_${header} STREQUAL owner)
      string(APPEND problems "${Label} includes ${folder}/${header}.h, which belongs to no library\n")
      continue()
    endif()
    list(FIND Uses ${owner} at)
    if(at EQUAL -1)
      string(APPEND problems "${Label} includes ${folder}/${header}.h (${owner})\n")
    endif()
  endforeach()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

foreach(file ${units})
  get_filename_component(folder ${file} DIRECTORY)
  string(TOUPPER "${folder}" part)
  string(REPLACE "," ";" uses "${USES_${part}}")
  check_includes(${DIR}/${file} "${file} (${part})" "${uses}")
endforeach()

if(SUBDIR)
  string(REPLACE "," ";" uses "${USES_SUBDIR};SUBDIR")
  file(GLOB_RECURSE files RELATIVE ${DIR}/${SUBDIR} ${DIR}/${SUBDIR}/*.cpp ${DIR}/${SUBDIR}/*.h)
  foreach(file ${files})
    check_includes(${DIR}/${SUBDIR}/${file} "${SUBDIR}/${file}" "${uses}")
  endforeach()
endif()

if(problems)
  message(FATAL_ERROR "Class-library layering broken:\n${problems}")
endif()
message(STATUS "Class-library layering holds")
