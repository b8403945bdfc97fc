#pragma once

#include "IMChat/qximlib/CometScriptCutter.h"

#include "platform/foundation/error.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Turns one script segment into its key and result: the first key of the key list whose
// text followed by "(" occurs in the segment, and the payload between that and the last
// ");</script>", parsed as JSON for keys whose result type is 1 and kept as text
// otherwise. Hands over exactly once per segment: the key and result, or (no key
// matched, or its JSON did not parse) the error of domain "未能解析." and code -1. When a
// key matched but its payload did not decode, the error's user info names the key
// (kKeyKey), holds the payload (kPayloadKey) and says why (its localized description); when
// that payload reads to its end as a packet set aside (QXIMPacketReader: a number that
// cannot be read), it also holds what the packet names (kIdsKey, a
// QXIMPacketReader::Refused), so that the packet can be acknowledged.
//
// A segment too long to be kept whole comes in pieces (readPiece()) and is read as they
// come, under the key its start names when that key is listed: a JSON payload as a packet
// (QXIMPacketReader), with every string longer than QXIMWire::kLongestString cut and at
// most QXIMWire::kMostPacketBytes kept of the rest, so that its packet is read with its ids
// and short fields whole. It hands over once, at its last piece, as a whole segment would; a
// text payload (which cannot be cut), a JSON payload that does not decode or is set aside
// give the error, its user info holding the payload's beginning (kPayloadKey) and the ids
// of a packet set aside (kIdsKey).
class QXIMOnlineScriptParser {
public:
    static constexpr int kTextResult = 0;
    static constexpr int kJsonResult = 1;
    static inline const QString kErrorDomain = QStringLiteral("未能解析.");
    static inline const QString kKeyKey = QStringLiteral("key");
    static inline const QString kPayloadKey = QStringLiteral("payload");
    static inline const QString kIdsKey = QStringLiteral("ids");

    // (result, key, error): a result and key, or an error without either.
    using Delegate = std::function<void(const QVariant& result, const QString& key,
                                        const std::optional<ns::Error>& error)>;

    explicit QXIMOnlineScriptParser(QStringList keychain = {}) : keychain_(std::move(keychain)) {}

    // The settings may change from any thread (the app's plug-in widens them).
    void setKeychain(const QStringList& keychain);
    [[nodiscard]] QStringList keychain() const;
    void setReslutTypes(const QMap<QString, int>& types);
    void setDelegate(Delegate delegate);

    void parseScriptText(const QString& segment) const;
    // The next piece of a segment too long to be kept whole (from the cutter).
    void readPiece(QByteArrayView bytes, CometScriptCutter::Piece piece);

private:
    // The segment being read in pieces.
    struct Pieces;

    // The settings of this moment.
    void settings(QStringList* keys, QMap<QString, int>* types, Delegate* delegate) const;
    void beginPieces(QByteArrayView first);
    void readPayload(QByteArrayView bytes);
    void finishPieces();

    std::shared_ptr<Pieces> pieces_;
    mutable std::mutex mutex_;
    QStringList keychain_;
    QMap<QString, int> resultTypes_;
    Delegate delegate_;
};
