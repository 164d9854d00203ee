# cmake -DGALLERY=<gallery> -DXVFB_RUN=<xvfb-run> -DWORK=<dir> -P GalleryShots.cmake
# Takes the gallery's picture off-screen and on an Xvfb display and compares them.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${GALLERY} --shot ${WORK}/offscreen.png RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "off-screen picture failed (${r})")
endif()
execute_process(
  # The desktop platform plugin leaks in the system libraries it loads.
  COMMAND ${CMAKE_COMMAND} -E env TW_GUI_TEST_DISPLAY=1 ASAN_OPTIONS=detect_leaks=0
          ${XVFB_RUN} -a -s "-screen 0 1920x1080x24 -dpi 96" ${GALLERY} --shot ${WORK}/xvfb.png
  RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "picture on Xvfb failed (${r})")
endif()
execute_process(COMMAND ${GALLERY} --compare ${WORK}/offscreen.png ${WORK}/xvfb.png RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "the pictures differ")
endif()
