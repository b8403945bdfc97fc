#pragma once

#include <QJsonObject>
#include <QString>

namespace standin {

class MessagingServer;

// The sample broker answering in real time: every message a user sends to a broker is answered
// by that broker at once over the user's stream. What the answer is depends on what was sent:
// a text asking for a picture ("图" or "照片") gets a picture, for a voice ("语音") a voice
// message, for a house ("房源" or "推荐") a post card of a sample post, "屏蔽" a notice; a picture
// or a voice gets a thank-you; any other text the broker's greeting with his phone number.
class ChatBroker {
public:
    // The post the broker's cards name: rent post 7 of the city with script index 0.
    static constexpr int kCardCity = 0;
    static constexpr int kCardMajor = 1;
    static constexpr int kCardIndex = 7;
    static inline const QString kGreeting = QStringLiteral(
        "您好，我是王先生，这套房子还在，随时可以看房。着急的话打我电话13812345678。");

    // Makes the server's brokers answer what users send them.
    static void install(MessagingServer& server);
    // The order of the answer to `packet` (the write control's form), or {} for none.
    [[nodiscard]] static QJsonObject answerTo(const QJsonObject& packet, const QString& root);
    // The contents of the broker's post card.
    [[nodiscard]] static QJsonObject cardData(const QString& root);
};

}  // namespace standin
