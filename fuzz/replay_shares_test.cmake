# Runs the replay HARNESS on CORPUS with MUTATIONS mutations of each input, whole and in SHARES
# shares, and fails unless the shares together run what the whole replay runs: as many runs,
# and inputs whose hashes add up to the same sum.
#   cmake -DHARNESS=... -DCORPUS=... -DMUTATIONS=... -DSHARES=... -P replay_shares_test.cmake
function(replay result)
    execute_process(COMMAND ${HARNESS} --mutations ${MUTATIONS} ${ARGN} ${CORPUS}
                    OUTPUT_VARIABLE output ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT output MATCHES "and ([0-9]+) runs of ([0-9]+) .*hash sum ([0-9]+)")
        message(FATAL_ERROR "the replay ${ARGN} failed (${status}): ${output}")
    endif()
    set(${result} ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} PARENT_SCOPE)
endfunction()

replay(whole)
list(GET whole 0 wholeRuns)
list(GET whole 2 wholeHashes)
set(runs 0)
set(hashes 0)
foreach(share RANGE 1 ${SHARES})
    replay(part --share ${share}/${SHARES})
    list(GET part 0 partRuns)
    list(GET part 1 counted)
    list(GET part 2 partHashes)
    if(NOT counted EQUAL wholeRuns)
        message(FATAL_ERROR "share ${share} counts ${counted} runs, the whole replay ${wholeRuns}")
    endif()
    math(EXPR runs "${runs} + ${partRuns}")
    math(EXPR hashes "(${hashes} + ${partHashes}) % 4294967296")
endforeach()
if(NOT runs EQUAL wholeRuns OR NOT hashes EQUAL wholeHashes)
    message(FATAL_ERROR "the shares ran ${runs} inputs (hashes ${hashes}), "
                        "the whole replay ${wholeRuns} (hashes ${wholeHashes})")
endif()
message(STATUS "${SHARES} shares ran the ${runs} inputs of the whole replay")
