#pragma once

#include <QJsonArray>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace standin {

// One housing need as the app published it ("postHousingRequest"), read from the call's
// argument list: kind, place, location text, house types, user, voice note, length,
// sentence, price and price type, then the validation's mobile and code when it had one.
struct PostedNeed {
    qint64 id = 0;  // the need id the server gave ("postId")
    QJsonArray arguments;
    QString rentOrBuy;  // "1" rent, "3" share, "5" buy
    int cityScriptIndex = 0;
    qint64 districtId = 0;  // -2 for a need placed around a position
    qint64 streetId = 0;
    QString location;       // the place text, or "lng,lat" around a position
    QJsonArray houseTypes;  // house-type codes
    QString userId;
    QString voiceUrl;
    int voiceSeconds = 0;
    QString sentence;
    QString price;
    QString priceType;
    QString mobile;       // of the validation, when there was one
    QString code;         // the SMS code that checked the mobile number, when there was one
    qint64 postedAt = 0;  // seconds since 1970
    // Who answered the need as the user sees it: the people whose messages about it (naming
    // it as their post) the messaging server carried to the user, in the order they first
    // came. Kept with the need.
    std::vector<qint64> answeredBy;
    // Whether the need was published to this run of the server, whose messaging server holds
    // the answers of all its brokers until they reach the user. Of a need read back after a
    // restart only those of answeredBy have answered so far; the others' answers come from
    // the messaging server's file, or anew (NeedReplies::owedAnswers).
    bool answersQueued = false;
    // Whether answeredBy was noted: a need kept by an older stand-in, which noted nobody, lists
    // the houses of every broker planned for it, as it did then.
    bool answeredByNoted = true;

    // answeredBy as a JSON array of decimal texts, as the needs' file and listing write it.
    [[nodiscard]] QJsonArray answeredByJson() const;

    // The need read from the arguments of "postHousingRequest"; nullopt when they are not
    // a need's.
    [[nodiscard]] static std::optional<PostedNeed> fromArguments(const QJsonArray& arguments);
};

// The needs published to the stand-in, shared by the call that takes them and the brokers
// who answer them. Safe from any server thread. They live as long as the server, or, kept in
// a file, across its restarts: a demo's app keeps its needs across a relaunch, and the
// houses recommended for them are found again from them.
class PostedNeeds {
public:
    using Listener = std::function<void(const PostedNeed& need)>;

    // Reads the needs kept in `file` (none when it is missing or unreadable) and writes them
    // there after every change; ids go on from the last one given. The temporary files that
    // a kill while writing left beside the file go first. False when the file holds
    // something that is no list of needs (it is then left alone and not written).
    bool keepIn(const QString& file);

    // Keeps the need under the next id, as one whose answers this run holds (answersQueued),
    // and tells the listeners (on the caller's thread, outside the lock); the id.
    qint64 add(PostedNeed need);
    // Notes that a message of `personId` about the need reached the user (answeredBy); false,
    // and nothing written, for a need it does not have or a person noted before.
    bool noteAnswered(qint64 needId, qint64 personId);
    [[nodiscard]] std::vector<PostedNeed> all() const;
    [[nodiscard]] std::optional<PostedNeed> byId(qint64 id) const;
    // Whether the user published a need with a mobile number checked by an SMS code: the
    // need form asks a guest to check one only until then. Kept with the needs, it outlives
    // the server with them.
    [[nodiscard]] bool hasCheckedNumber(const QString& userId) const;
    bool remove(qint64 id);
    void onPosted(Listener listener);
    // Forgets the needs; the listeners stay.
    void reset();

private:
    // Writes the needs to the file they are kept in, if any; called under the lock.
    void save() const;

    mutable std::mutex mutex_;
    std::vector<PostedNeed> needs_;
    std::vector<Listener> listeners_;
    qint64 lastId_ = 0;
    QString file_;
};

}  // namespace standin
