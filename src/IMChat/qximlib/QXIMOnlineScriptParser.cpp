#include "IMChat/qximlib/QXIMOnlineScriptParser.h"

#include "IMChat/qximlib/QXIMPacketReader.h"
#include "IMChat/qximlib/QXIMWire.h"

#include "net/transport/Json.h"

namespace {

// The bytes of a payload read in pieces that an error keeps to show.
constexpr qsizetype kPayloadBeginning = 1024;

// Why the payload, read to its end as a packet, was set aside, and the ids it names.
void addRefused(const QXIMPacketReader& reader, QVariantMap& unread) {
    const QXIMPacketReader::Refused& refused = reader.refused();
    if (refused.isEmpty()) return;
    unread.insert(ns::Error::kLocalizedDescriptionKey, refused.reasons.value(0));
    unread.insert(QXIMOnlineScriptParser::kIdsKey, QVariant::fromValue(refused));
}

}  // namespace

struct QXIMOnlineScriptParser::Pieces {
    QString key;
    int type = kTextResult;
    bool listed = false;
    QByteArray beginning;
    std::unique_ptr<QXIMPacketReader> reader;
    // Why the payload cannot be read; empty while it can.
    QString refused;
};

void QXIMOnlineScriptParser::setKeychain(const QStringList& keychain) {
    const std::lock_guard lock(mutex_);
    keychain_ = keychain;
}

QStringList QXIMOnlineScriptParser::keychain() const {
    const std::lock_guard lock(mutex_);
    return keychain_;
}

void QXIMOnlineScriptParser::setReslutTypes(const QMap<QString, int>& types) {
    const std::lock_guard lock(mutex_);
    resultTypes_ = types;
}

void QXIMOnlineScriptParser::setDelegate(Delegate delegate) {
    const std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

void QXIMOnlineScriptParser::settings(QStringList* keys, QMap<QString, int>* types,
                                      Delegate* delegate) const {
    const std::lock_guard lock(mutex_);
    if (keys) *keys = keychain_;
    if (types) *types = resultTypes_;
    if (delegate) *delegate = delegate_;
}

void QXIMOnlineScriptParser::parseScriptText(const QString& segment) const {
    QStringList keys;
    QMap<QString, int> types;
    Delegate delegate;
    settings(&keys, &types, &delegate);
    if (!delegate) return;
    const qsizetype close = segment.lastIndexOf(QLatin1String(");</script>"));
    QVariantMap unread;  // the last payload that did not decode
    for (const QString& key : keys) {
        const qsizetype open = segment.indexOf(key + QLatin1Char('('));
        if (open < 0 || close < 0) continue;
        const qsizetype payloadStart = open + key.size() + 1;
        if (close < payloadStart) continue;
        const QString payload = segment.mid(payloadStart, close - payloadStart);
        const int type = types.value(key, kTextResult);
        if (type == kJsonResult) {
            std::optional<ns::Error> error;
            const QVariant parsed = json_JSON(QVariant(payload), &error);
            if (error || !parsed.isValid()) {
                unread = {{kKeyKey, key},
                          {kPayloadKey, payload},
                          {ns::Error::kLocalizedDescriptionKey,
                           error ? error->localizedDescription() : QStringLiteral("no value")}};
                QXIMPacketReader reader(QXIMPacketReader::Shape::Packet,
                                        QXIMWire::kMostPacketBytes);
                reader.read(payload.toUtf8());
                addRefused(reader, unread);
                continue;
            }
            delegate(parsed, key, std::nullopt);
            return;
        }
        if (type != kTextResult) continue;
        delegate(QVariant(payload), key, std::nullopt);
        return;
    }
    delegate(QVariant(), QString(), ns::Error(kErrorDomain, -1, unread));
}

void QXIMOnlineScriptParser::readPiece(QByteArrayView bytes, CometScriptCutter::Piece piece) {
    switch (piece) {
        case CometScriptCutter::Piece::First:
            beginPieces(bytes);
            break;
        case CometScriptCutter::Piece::More:
            readPayload(bytes);
            break;
        case CometScriptCutter::Piece::Last:
            readPayload(bytes);
            finishPieces();
            break;
        case CometScriptCutter::Piece::Abandoned:
            pieces_.reset();
            break;
    }
}

void QXIMOnlineScriptParser::beginPieces(QByteArrayView first) {
    pieces_ = std::make_shared<Pieces>();
    // The start ends with "cometMgr.KEY(".
    const qsizetype start = CometScriptCutter::startLength(first, 0);
    const QByteArrayView call = first.first(std::max<qsizetype>(start - 1, 0));
    pieces_->key = QString::fromLatin1(call.sliced(call.lastIndexOf('.') + 1));
    QStringList keys;
    QMap<QString, int> types;
    settings(&keys, &types, nullptr);
    pieces_->listed = start > 0 && keys.contains(pieces_->key);
    pieces_->type = types.value(pieces_->key, kTextResult);
    if (pieces_->type == kJsonResult) {
        pieces_->reader = std::make_unique<QXIMPacketReader>(QXIMPacketReader::Shape::Packet,
                                                             QXIMWire::kMostPacketBytes);
    } else {
        pieces_->refused = QStringLiteral("a text payload longer than %1 bytes")
                               .arg(CometScriptCutter::kMaxSegment);
    }
    readPayload(first.sliced(start));
}

void QXIMOnlineScriptParser::readPayload(QByteArrayView bytes) {
    if (!pieces_ || !pieces_->listed) return;
    if (pieces_->beginning.size() < kPayloadBeginning)
        pieces_->beginning +=
            bytes.first(std::min(bytes.size(), kPayloadBeginning - pieces_->beginning.size()));
    if (!pieces_->refused.isEmpty()) return;
    // The closing text and what follows it come after the value, where nothing is read. A
    // packet set aside is read on for its ids.
    if (pieces_->reader->read(bytes) == ParserStatusError) {
        pieces_->refused = pieces_->reader->error()->localizedDescription();
        pieces_->reader.reset();
    }
}

void QXIMOnlineScriptParser::finishPieces() {
    const std::shared_ptr<Pieces> pieces = std::move(pieces_);
    Delegate delegate;
    settings(nullptr, nullptr, &delegate);
    if (!pieces || !delegate) return;
    if (!pieces->listed) {
        delegate(QVariant(), QString(), ns::Error(kErrorDomain, -1));
        return;
    }
    QXIMPacketReader* reader = pieces->reader.get();
    if (reader && pieces->refused.isEmpty()) {
        if (reader->status() != ParserStatusOK) {
            pieces->refused = QStringLiteral("the payload ends inside its value");
        } else if (const QVariant root = reader->value(); root.isValid()) {
            delegate(root, pieces->key, std::nullopt);
            return;
        } else if (reader->refused().isEmpty()) {
            pieces->refused = QStringLiteral("no value");
        }
    }
    QVariantMap unread{{kKeyKey, pieces->key},
                       {kPayloadKey, QString::fromUtf8(pieces->beginning)},
                       {ns::Error::kLocalizedDescriptionKey, pieces->refused}};
    if (reader && pieces->refused.isEmpty()) addRefused(*reader, unread);
    delegate(QVariant(), QString(), ns::Error(kErrorDomain, -1, unread));
}
