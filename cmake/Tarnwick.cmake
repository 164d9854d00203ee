# tw_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable per test group, registered with CTest.
function(tw_add_test name)
  if(NOT TW_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock pthread)
  # A ThreadSanitizer build runs only the tests that run threads; the others
  # stay defined (callers set their properties) but are neither built nor run.
  if(TW_TSAN AND NOT name IN_LIST TW_TSAN_TESTS)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
    return()
  endif()
  # Dates and times follow the user's locale: the tests run in the C locale,
  # whatever the machine's, and set another one where they test it.
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "LC_ALL=C"
    DISCOVERY_TIMEOUT 60)
endfunction()

# tw_embed_resources(<target> <files...>): resource texts built into an executable.
include(${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake)
