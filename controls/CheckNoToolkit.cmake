# cmake -DDIR=<controls> -P CheckNoToolkit.cmake
# Fails when a source of the control library (tests and benchmarks included)
# includes a toolkit header: only the window layer may.
file(GLOB_RECURSE files ${DIR}/*.cpp ${DIR}/*.h)
set(problems "")
foreach(file ${files})
  file(STRINGS ${file} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
  if(hits)
    string(APPEND problems "${file}: ${hits}\n")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "toolkit headers included:\n${problems}")
endif()
