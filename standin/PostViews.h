#pragma once

#include <QString>

#include <map>
#include <mutex>

namespace standin {

// The views of the sample posts that "PostPvStat" counted, which a post's "view_times" adds
// to what it had before. Safe from any server thread. They live as long as the server, or,
// kept in a file, across its restarts: a demo's post is not seen fewer times after a
// relaunch than before it.
class PostViews {
public:
    // Reads the views kept in `file` (none when it is missing) and writes them there after
    // every view counted; the temporary files that a kill while writing left beside the file
    // go first. False when the file holds no JSON object (it is then left alone and not
    // written).
    bool keepIn(const QString& file);
    // Counts one view of the post.
    void add(qint64 puid);
    // The views counted for the post.
    [[nodiscard]] qint64 of(qint64 puid) const;

private:
    mutable std::mutex mutex_;
    std::map<qint64, qint64> views_;
    QString file_;
};

}  // namespace standin
