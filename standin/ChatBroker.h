#pragma once

#include <QJsonObject>
#include <QString>

#include <vector>

namespace standin {

class MessagingServer;
class PostedNeeds;
struct SamplePost;

// The sample broker answering in real time: every message a user sends to a broker is answered
// by that broker at once over the user's stream. What the answer is depends on what was sent:
// a text asking for a picture ("图" or "照片") gets a picture, for a voice ("语音") a voice
// message, for a house ("房源" or "推荐") a post card of a house he offers (housesOffered), or
// word that he has none yet, "屏蔽" a notice; a picture or a voice gets a thank-you; any
// other text the broker's greeting, about what the talk is about, with his mobile number.
class ChatBroker {
public:
    // What a talk is about: a sample post, one of the user's needs, or nothing the server
    // knows (no post, or one it does not have).
    enum class TalkSubject { House, Need, Nothing };
    // A house offered in a talk about a post costs this share of its price more or less.
    static constexpr double kNearPrice = 0.3;
    // The service account answers every message with the same notice of receipt.
    static constexpr qint64 kServiceAccount = 233401603;
    // The post the broker's cards name: rent post 7 of the city with script index 0.
    static constexpr int kCardCity = 0;
    static constexpr int kCardMajor = 1;
    static constexpr int kCardIndex = 7;
    // The broker's greeting in a talk about `about`, with his name and mobile number.
    [[nodiscard]] static QString greeting(qint64 brokerId, TalkSubject about = TalkSubject::House);

    // Makes the server's brokers answer what users send them, about the needs of `needs`.
    static void install(MessagingServer& server, const PostedNeeds& needs);
    // The order of the answer to `packet` (the write control's form), or {} for none. A
    // broker asked for a house offers the `asked`-th (counting from 0, round) of the houses he
    // offers in the talk, so that asking again brings the next; a broker who offers none says
    // he will look.
    [[nodiscard]] static QJsonObject answerTo(const QJsonObject& packet, const QString& root,
                                              const PostedNeeds* needs = nullptr, int asked = 0);
    // The houses a broker offers in a talk about `postId`: for a need of `needs` (its id),
    // those of his that it lists (NeedReplies::housesListed); for a sample post
    // ("id_major_1009_city", the id of its record or its puid) the others of its kind and district
    // within kNearPrice of its price, his own first, then his agency's (the other brokers of his
    // company); else all his posts. None for a broker the sample does not have.
    [[nodiscard]] static std::vector<const SamplePost*> housesOffered(qint64 brokerId,
                                                                      const QString& postId,
                                                                      const PostedNeeds* needs);
    // The user object of the one a user talks to as packets carry it: id, name, phone,
    // picture, company, district and street. A sample broker is himself, as his shop and his
    // posts name him. The personal user who posted a sample house answers as that post names
    // him, with its number, district and street, and no picture nor company: the talk's row
    // shows his name, as the post did. Any other id is one of five brokers of made-up shops
    // (880001, the messaging server's own broker, is Mr Wang; the next four ids are brokers
    // of other shops, then the names repeat). The service account is the app's team,
    // "Nevoru找房团队" with the app's own picture, as the welcome messages name it.
    [[nodiscard]] static QJsonObject profile(qint64 brokerId);
    // The contents of the broker's post card.
    [[nodiscard]] static QJsonObject cardData(const QString& root);
    // The contents of a post card of the sample post `post` (its record).
    [[nodiscard]] static QJsonObject cardOf(const QJsonObject& post, const QString& root);
};

}  // namespace standin
