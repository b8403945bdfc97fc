# Reads a Ninja build's output (its status lines "[done/total] what") and shows it as build.sh
# does. Before a build of more than a few steps, first or not, it says what it builds, how many
# steps and about how long, so that minutes of compiling are not taken for a hang. Then it
# shows how far the build has come, as each step ends: one line that it updates in a terminal;
# in a log, a line every tenth of the way and, between them, one when steps have ended and the
# log has been quiet for nearly 15 s. A build of a few steps (the check of the source folders
# that every build runs, a relink) shows no progress. Warnings, errors and anything else pass
# through. It needs each line as it comes: mawk reads so only with -W interactive.
#   what      the words for what is built
#   jobs      compilations at a time
#   terminal  1 when the output is a terminal
#   tick      a line that another writer puts into the input every half second or so,
#             between ninja's lines or, when ninja writes a long output in pieces, inside one
BEGIN {
    few = 5
    # A step (a batch of sources, a link) takes about 4 CPU-seconds without the compiler cache.
    seconds_a_step = 4
    # The clock counts whole seconds and the ticks come half a second apart: a log is quiet
    # for less than 15 s.
    quiet = 14
}

# A tick inside a line: the part before it waits for the rest of the line.
tick != "" && (at = index($0, tick)) > 0 {
    carried = carried substr($0, 1, at - 1)
    if (announced && !terminal && done > shown_done && systime() - shown_at >= quiet)
        show_progress(int(done * 100 / total))
    next
}

carried != "" {
    $0 = carried $0
    carried = ""
}

function show_progress(percent) {
    printf "build.sh: %d%% built (%d of %d steps)\n", percent, done, total
    fflush()
    shown_at = systime()
    shown_done = done
}

function end_status_line() {
    if (status_shown) {
        printf "\n"
        status_shown = 0
    }
}

/^\[[0-9]+\/[0-9]+\] / {
    split(substr($1, 2, length($1) - 2), counts, "/")
    done = counts[1] + 0
    total = counts[2] + 0
    if (total <= few) next
    if (!announced) {
        minutes = int((total * seconds_a_step + jobs * 60 - 1) / (jobs * 60))
        duration = minutes > 1 ? minutes " minutes" : "a minute"
        printf "build.sh: building %s: %d steps, %d at a time, about %s (less for what the " \
            "compiler cache of an earlier build holds)\n", what, total, jobs, duration
        announced = 1
        shown_at = systime()
    }
    if (terminal) {
        printf "\rbuild.sh: %d%% built (%d of %d steps)", int(done * 100 / total), done, total
        status_shown = 1
    } else {
        tenth = int(done * 10 / total)
        if (tenth > shown) {
            show_progress(tenth * 10)
            shown = tenth
        }
    }
    fflush()
    next
}

# Ninja names the folder it builds in, and CMake, when a new source makes it configure again,
# says what it found: nothing a reader needs (its warnings and errors still show).
/^ninja: Entering directory/ || /^-- / { next }

{
    end_status_line()
    print
    fflush()
}

END {
    if (carried != "") print carried
    end_status_line()
}
