#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QSize>

#include <mutex>
#include <optional>
#include <vector>

namespace standin {

// One fault switch: how the replies to requests under a path prefix go wrong.
struct FaultRule {
    // The beginning of the targets the rule applies to: a path prefix, or a path, "?" and the
    // beginning of its query ("/im/index.php?op=getnotrecvmsgs"); empty: every request.
    QByteArray prefix;
    int delayMs = 0;    // real time to wait before answering
    bool hold = false;  // the reply waits until the server is told to release held replies
    int status = 0;     // forced HTTP status; 0 keeps the endpoint's own
    std::optional<QByteArray> body;         // replaces the reply body
    std::optional<QByteArray> contentType;  // replaces the reply's Content-Type
    bool garbage = false;   // the body becomes bytes that are neither JSON nor UTF-8
    bool truncate = false;  // Content-Length promises more than is sent, then the connection closes
    bool gzip = false;      // the body goes gzip-compressed with "Content-Encoding: gzip"
    qint64 inflatesTo = 0;  // the body, padded with spaces to this many bytes, goes gzipped
    bool endless = false;   // the body goes chunked, then spaces for as long as the client reads
    QByteArray endlessText;    // with `endless`, repeated after the body instead of the spaces
    qint64 endlessSpaces = 0;  // with `endless`, spaces after each repetition of the text
    int trickleMs = 0;         // the body goes one byte at a time, this much real time apart
    qint64 chunkBytes = 0;     // the body goes chunked, this many bytes a chunk, each its own send
    std::optional<int> dropAfterChunks;  // a streamed reply breaks off after this many chunks
    QSize picture;            // not empty: the body becomes a one-colour PNG of this many pixels
    bool interlaced = false;  // the picture's PNG is interlaced
    bool jpeg = false;        // the picture is a JPEG of a few KB whose header declares its size
    QByteArray pixels;        // "grey" or "palette": the picture's PNG has such pixels, not RGB
    int gifFrames = 0;        // not 0: the picture is a GIF of this many frames on its canvas
    QSize gifFrame{2, 2};     // the size of each of those frames
    bool gifCut = false;      // the GIF stops after its last frame, without its trailer
    int times = 0;            // applies to this many requests, then is spent; 0: until changed

    // `target`: the request's path and query, as sent.
    [[nodiscard]] bool matches(const QByteArray& target) const { return target.startsWith(prefix); }

    [[nodiscard]] QJsonObject toJson() const;
    static FaultRule fromJson(const QJsonObject& json);
};

// The fault switches in force, shared by the server's threads. Of the rules whose prefix
// matches a request's path, the one with the longest prefix applies (the first listed
// among equals); at most one rule applies to a request.
class FaultSwitches {
public:
    void set(std::vector<FaultRule> rules);
    void clear();
    [[nodiscard]] std::vector<FaultRule> rules() const;

    // The rule for a request to `target` (path and query), counting it against the rule's
    // `times`.
    [[nodiscard]] std::optional<FaultRule> take(const QByteArray& target);

    // A JSON object (one rule) or array (several) into rules; nullopt when it is neither.
    static std::optional<std::vector<FaultRule>> rulesFromJson(const QByteArray& json);
    static QJsonArray toJson(const std::vector<FaultRule>& rules);

private:
    struct Entry {
        FaultRule rule;
        int used = 0;
    };
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace standin
