# cmake -DGALLERY=<controls_gallery> -DXVFB_RUN=<xvfb-run> -DWORK=<dir> -P GalleryShots.cmake
# Takes each page's picture off-screen and on an Xvfb display and compares them.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GALLERY} --list OUTPUT_VARIABLE pages RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "listing the pages failed (${r})")
endif()
string(REGEX REPLACE "\n$" "" pages "${pages}")
string(REPLACE "\n" ";" pages "${pages}")
if(NOT pages)
  message(FATAL_ERROR "the gallery has no pages")
endif()
foreach(page ${pages})
  execute_process(COMMAND ${GALLERY} --page ${page} --shot ${WORK}/${page}-offscreen.png RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "off-screen picture of ${page} failed (${r})")
  endif()
  execute_process(
    # The desktop platform plugin leaks in the system libraries it loads.
    COMMAND ${CMAKE_COMMAND} -E env TW_GUI_TEST_DISPLAY=1 ASAN_OPTIONS=detect_leaks=0
            ${XVFB_RUN} -a -s "-screen 0 1920x1080x24 -dpi 96" ${GALLERY} --page ${page} --shot ${WORK}/${page}-xvfb.png
    RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "picture of ${page} on Xvfb failed (${r})")
  endif()
  execute_process(COMMAND ${GALLERY} --compare ${WORK}/${page}-offscreen.png ${WORK}/${page}-xvfb.png RESULT_VARIABLE r)
  if(NOT r EQUAL 0)
    message(FATAL_ERROR "the pictures of ${page} differ")
  endif()
endforeach()
