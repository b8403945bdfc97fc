# Reads a Ninja build's output (its status lines "[done/total] what") and shows it as build.sh
# does. Before a build of more than a few steps, first or not, it says what it builds, how many
# steps and about how long, so that minutes of compiling are not taken for a hang. Then it
# shows how far the build has come: one line that it updates in a terminal, a line every tenth
# of the way in a log. A build of a few steps (the check of the source folders that every build
# runs, a relink) shows no progress. Warnings, errors and anything else pass through.
#   what      the words for what is built
#   jobs      compilations at a time
#   terminal  1 when the output is a terminal
BEGIN {
    few = 5
    # A step (a batch of sources, a link) takes about 4 CPU-seconds without the compiler cache.
    seconds_a_step = 4
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
    }
    if (terminal) {
        printf "\rbuild.sh: %d%% built (%d of %d steps)", int(done * 100 / total), done, total
        status_shown = 1
    } else {
        tenth = int(done * 10 / total)
        if (tenth > shown) {
            printf "build.sh: %d%% built (%d of %d steps)\n", tenth * 10, done, total
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

END { end_status_line() }
