# cmake -DSCRATCH=<empty directory to use> -DCHECKS=<source root> -P CheckScriptsTest.cmake
# The layering and toolkit checks on small made-up trees: each passes a sound
# tree and fails one with the fault it is there to find, naming the file.
file(REMOVE_RECURSE ${SCRATCH})
set(failures "")

# expect(<PASS|FAIL> <what> <script> <args...>): runs a check on the tree.
function(expect outcome what script)
  execute_process(COMMAND ${CMAKE_COMMAND} ${ARGN} -P ${CHECKS}/${script}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(outcome STREQUAL "PASS" AND NOT rc EQUAL 0)
    string(APPEND failures "${what}: failed a sound tree:\n${out}\n")
  elseif(outcome STREQUAL "FAIL" AND (rc EQUAL 0 OR NOT out MATCHES "low/Sub/Deep.cpp"))
    string(APPEND failures "${what}: did not report low/Sub/Deep.cpp:\n${out}\n")
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# Three layers, low before mid/gui before top; nested layer paths too.
file(WRITE ${SCRATCH}/low/Low.h "#pragma once\n")
file(WRITE ${SCRATCH}/mid/gui/Window.cpp "#include <QtWidgets/QWidget>\n#include \"low/Low.h\"\n")
file(WRITE ${SCRATCH}/top/Top.cpp "#include \"mid/gui/Window.h\"\n#include \"low/Low.h\"\n#include \"Local.h\"\n")
file(WRITE ${SCRATCH}/low/Sub/Deep.cpp "#include \"low/Low.h\"\n#include <vector>\n")
set(layers -DROOT=${SCRATCH} -DLAYERS=low,mid/gui,top)

expect(PASS "layer order" class_library/CheckLayers.cmake ${layers})
expect(PASS "toolkit" cmake/CheckNoToolkit.cmake ${layers} -DWINDOW_LAYER=mid/gui)

# A lower layer's source, deep in a sub-folder, reaching up.
file(APPEND ${SCRATCH}/low/Sub/Deep.cpp "  #  include \"top/Top.h\"\n")
expect(FAIL "layer order" class_library/CheckLayers.cmake ${layers})
file(WRITE ${SCRATCH}/low/Sub/Deep.cpp "#include \"low/Low.h\"\n#include \"mid/gui/Window.h\"\n")
expect(FAIL "layer order" class_library/CheckLayers.cmake ${layers})

# A toolkit header outside the window layer.
file(WRITE ${SCRATCH}/low/Sub/Deep.cpp "#include <QtCore/QString>\n")
expect(FAIL "toolkit" cmake/CheckNoToolkit.cmake ${layers} -DWINDOW_LAYER=mid/gui)

file(REMOVE_RECURSE ${SCRATCH})
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "Both checks pass a sound tree and find a planted fault")
