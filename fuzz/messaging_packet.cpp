// Received messaging packets (JSON, as the stream and the offline fetch bring them) read into
// rows and stored with the post card the library's plug-in files in front of a talk's first
// packet: whatever the bytes, every row read belongs to the user and to one talk, a packet
// with nothing to keep stores nothing, every text to store reads back, every store commits,
// and the talk's rows that came before the last time there is are listed back; never a crash.
#include "src/IMChat/qximlib/QXIMCheckIfInsertAnotherParser.h"
#include "src/IMChat/qximlib/QXIMDatabase.h"
#include "src/IMChat/qximlib/QXIMService.h"
#include "src/net/transport/Json.h"

#include "scratch_file.h"

#include <QByteArray>
#include <QVariant>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr qint64 kMe = 900000001;
const QString kMeText = QString::number(kMe);

std::vector<std::shared_ptr<QXIMServiceObserver>>& plugIns() {
    static std::vector<std::shared_ptr<QXIMServiceObserver>> all = [] {
        auto card = std::make_shared<QXIMServiceObserver>();
        card->receivedDifferentPostMessage =
            &QXIMCheckIfInsertAnotherParser::receivedDifferentPostMessage;
        return std::vector{card};
    }();
    return all;
}

// The store starts empty again now and then, so that it never outgrows a long run.
void emptyTheStoreNowAndThen() {
    static unsigned runs = 0;
    if (++runs % 512 != 0) return;
    QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
        db.executeUpdate(QStringLiteral("DELETE FROM msgs"));
        db.executeUpdate(QStringLiteral("DELETE FROM msg_list"));
        return true;
    });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ScratchSandbox::start("messaging-packet");
    if (!QXIMDatabase::shared().openDatabase(kMeText)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    emptyTheStoreNowAndThen();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant packet = json_JSON(QVariant(bytes));
    if (packet.typeId() != QMetaType::QVariantMap) return 0;
    auto reading = QXIMService::readPacket(packet.toMap(), kMe, plugIns());
    if (!reading.rows) return 0;
    if (reading.rows->items.isEmpty()) std::abort();
    QString talk;
    for (const auto& item : reading.rows->items) {
        for (const QXIMMessage& message : item) {
            if (message.userId != kMeText) std::abort();
            if (talk.isNull()) talk = message.talkId;
            if (message.talkId != talk) std::abort();
            if (!json_JSON(QVariant(message.contents())).isValid()) std::abort();
        }
    }
    // Nothing is stored as text that does not read back.
    if (!json_JSON(QVariant(reading.rows->completeMessage)).isValid()) std::abort();

    QXIMDatabase& store = QXIMDatabase::shared();
    QXIMDatabase::ReceivedPacketSaved saved = store.saveReceivedPacket(*reading.rows);
    if (!saved.committed) std::abort();
    if (saved.stored.isEmpty()) return 0;
    if (saved.autoInsertNeed) {
        for (const auto& plugIn : plugIns())
            plugIn->receivedDifferentPostMessage(saved.talk.copy(), saved.stored);
    }
    (void)store.talksListByUserId(kMeText, std::numeric_limits<qint64>::max(), 0, 20);
    // A conversation lists what came before a time: here, before the last time there is.
    const qint64 last = std::numeric_limits<qint64>::max();
    const auto shown = store.messagesByTalkId(talk, kMeText, last, 0, 50);
    const bool listable = std::any_of(
        saved.stored.begin(), saved.stored.end(),
        [&](const QXIMMessage& message) { return message.talkId == talk && message.uTime < last; });
    if (listable && shown.isEmpty()) std::abort();
    for (const QXIMMessage& message : shown) (void)message.contentsJson();
    return 0;
}
