# Runs test PROGRAM with FILTER, or each command of the file COMMANDS (one a line), with HOME and
# TMPDIR at empty folders of this run's own, and checks that nothing is left in either
# afterwards but the pictures of failed screenshot comparisons: no sandbox, no folder of a
# stand-in, of the app or of Qt, nothing of the user's data, whether the tests pass or fail.
# With REFERENCES, the tests compare against that folder of reference screenshots (an empty one
# makes them fail). With NO_TMPDIR, TMPDIR names a file, so that no temporary folder can be
# made: each test is then to fail on its own, FAILED of them, the program ending as a failing
# one does. EXPECT is "pass" or "fail".
#   cmake -DPROGRAM=... -DFILTER=... -DTMP=... [-DREFERENCES=...] [-DNO_TMPDIR=ON -DFAILED=N]
#         -DEXPECT=pass -P LeavesNothingBehind.cmake
#   cmake -DCOMMANDS=... -DTMP=... -DEXPECT=pass -P LeavesNothingBehind.cmake
cmake_minimum_required(VERSION 3.20)
# A folder of this run's own: runs of the suite at the same time in one build share TMP's name.
string(RANDOM LENGTH 8 run)
set(TMP "${TMP}-${run}")
file(REMOVE_RECURSE "${TMP}")
set(home "${TMP}/home")
set(temporary "${TMP}/tmp")
file(MAKE_DIRECTORY "${home}" "${temporary}")
if(NO_TMPDIR)
    set(temporary "${TMP}/not-a-folder")
    file(WRITE "${temporary}" "")
endif()
# The user's folders all under HOME, as a user without a desktop session has them; Qt's runtime
# folder made by the programs themselves. Set here rather than through "cmake -E env", which
# would report a crash as an ordinary failure.
set(ENV{HOME} "${home}")
set(ENV{TMPDIR} "${temporary}")
foreach(variable XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_RUNTIME_DIR
                 HOUSING_SANDBOX)
    unset(ENV{${variable}})
endforeach()
if(REFERENCES)
    file(MAKE_DIRECTORY "${REFERENCES}")
    set(ENV{HOUSING_TESTS_SOURCE_DIR} "${REFERENCES}")
endif()

if(COMMANDS)
    file(STRINGS "${COMMANDS}" commands)
else()
    set(commands "\"${PROGRAM}\" \"--gtest_filter=${FILTER}\"")
endif()
set(failed 0)
foreach(command IN LISTS commands)
    separate_arguments(command UNIX_COMMAND "${command}")
    execute_process(COMMAND ${command}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_QUIET)
    if(EXPECT STREQUAL "pass" AND NOT status EQUAL 0)
        message(FATAL_ERROR "${command} failed: ${status}")
    elseif(EXPECT STREQUAL "fail" AND status EQUAL 0)
        message(FATAL_ERROR "${command} was to fail but passed")
    elseif(NO_TMPDIR AND NOT status EQUAL 1)
        message(FATAL_ERROR "${command} did not end as a failing test program does: ${status}")
    endif()
    string(REGEX MATCHALL "\n\\[  FAILED  \\] [^ \n]+ \\([0-9]+ ms\\)" cases "\n${output}")
    list(LENGTH cases count)
    math(EXPR failed "${failed} + ${count}")
endforeach()
if(DEFINED FAILED AND NOT failed EQUAL FAILED)
    message(FATAL_ERROR "${failed} tests failed, not ${FAILED}: a failure ended the program early")
endif()

file(GLOB left_home RELATIVE "${home}" "${home}/*" "${home}/.*")
if(left_home)
    message(FATAL_ERROR "left in the home folder: ${left_home}")
endif()
if(NOT NO_TMPDIR)
    file(GLOB left RELATIVE "${temporary}" "${temporary}/*" "${temporary}/.*")
    list(FILTER left EXCLUDE REGEX "^actual-[^/]*\\.png$")
    if(left)
        message(FATAL_ERROR "left in the temporary folder: ${left}")
    endif()
endif()
file(REMOVE_RECURSE "${TMP}")
