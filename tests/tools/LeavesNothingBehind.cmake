# Runs test PROGRAM with FILTER in an empty temporary folder (TMP) of its own and checks
# that nothing is left in it afterwards but the pictures of failed screenshot comparisons:
# no sandbox, no folder of a stand-in or of the app, whether the tests pass or fail. With
# REFERENCES, the tests compare against that folder of reference screenshots (an empty one
# makes them fail); EXPECT is "pass" or "fail".
#   cmake -DPROGRAM=... -DFILTER=... -DTMP=... [-DREFERENCES=...] -DEXPECT=pass -P LeavesNothingBehind.cmake
cmake_minimum_required(VERSION 3.20)
# A folder of this run's own: runs of the suite at the same time in one build share TMP's name.
string(RANDOM LENGTH 8 run)
set(TMP "${TMP}-${run}")
file(REMOVE_RECURSE "${TMP}")
file(MAKE_DIRECTORY "${TMP}")
set(environment "TMPDIR=${TMP}")
if(REFERENCES)
    file(MAKE_DIRECTORY "${REFERENCES}")
    list(APPEND environment "HOUSING_TESTS_SOURCE_DIR=${REFERENCES}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E env ${environment} "${PROGRAM}"
    "--gtest_filter=${FILTER}" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(EXPECT STREQUAL "pass" AND NOT status EQUAL 0)
    message(FATAL_ERROR "the tests failed: ${status}")
elseif(EXPECT STREQUAL "fail" AND status EQUAL 0)
    message(FATAL_ERROR "the tests were to fail but passed")
endif()
file(GLOB left RELATIVE "${TMP}" "${TMP}/*" "${TMP}/.*")
list(FILTER left EXCLUDE REGEX "^actual-[^/]*\\.png$")
if(left)
    message(FATAL_ERROR "left in the temporary folder: ${left}")
endif()
file(REMOVE_RECURSE "${TMP}")
