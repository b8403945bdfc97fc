#include "net/QXDESCode.h"

#include "net/QXEncode.h"
#include "platform/foundation/once.h"

#include <QStringDecoder>

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <array>
#include <memory>

namespace {

constexpr int kDESBlockSize = 8;

// DES is only offered by OpenSSL's legacy provider. Loading it into the default library
// context means the default provider must be loaded explicitly as well, or it would no
// longer be activated on its own. Both stay loaded for the life of the process.
const EVP_CIPHER* desCBC() {
    static ns::Once once;
    static EVP_CIPHER* cipher = nullptr;
    once([] {
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
        cipher = EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
    });
    return cipher;
}

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

// Runs the cipher over the input and answers the bytes it reports as produced: none
// when it fails, as a failed run leaves nothing usable.
QByteArray runDES(const QByteArray& input, const QByteArray& key, bool encrypt) {
    const EVP_CIPHER* cipher = desCBC();
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
    if (!cipher || !context) return {};

    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.constData());
    if (EVP_CipherInit_ex2(context.get(), cipher, keyBytes,
                           qxcipher::kDESInitialisationVector.data(), encrypt ? 1 : 0,
                           nullptr) != 1) {
        return {};
    }
    // Room for the input plus one whole block of padding.
    QByteArray output((input.size() / kDESBlockSize + 1) * kDESBlockSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    int produced = 0;
    if (EVP_CipherUpdate(context.get(), out, &produced,
                         reinterpret_cast<const unsigned char*>(input.constData()),
                         static_cast<int>(input.size())) != 1) {
        return {};
    }
    int finalProduced = 0;
    if (EVP_CipherFinal_ex(context.get(), out + produced, &finalProduced) != 1) return {};
    output.truncate(produced + finalProduced);
    return output;
}

QByteArray keyBytes(const QString& key) {
    QByteArray bytes = key.toUtf8().left(kDESBlockSize);
    bytes.append(kDESBlockSize - bytes.size(), '\0');
    return bytes;
}

// The deciphered bytes as text, or nothing when they are not valid UTF-8.
QString utf8TextOrNothing(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (decoder.hasError()) return {};
    if (text.isNull()) text = QLatin1String("");
    return text;
}

constexpr int kNotInAlphabet = -1;

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return kNotInAlphabet;
}

bool isSkippedWhiteSpace(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

// Appends the complete bytes held by a group of `count` six-bit values.
void appendGroup(QByteArray& out, const std::array<int, 4>& group, int count) {
    const quint32 bits = (quint32(group[0]) << 18) | (quint32(group[1]) << 12) |
                         (quint32(group[2]) << 6) | quint32(group[3]);
    if (count >= 2) out.append(char(bits >> 16));
    if (count >= 3) out.append(char((bits >> 8) & 0xFF));
    if (count == 4) out.append(char(bits & 0xFF));
}

}  // namespace

QString QXDESCode::decryptStr(const QString& base64Text) {
    return doCipher(base64Text, QString::fromUtf8(qxcipher::kDESKey), kDecrypt);
}

QString QXDESCode::encryptStr(const QString& text) {
    return doCipher(text, QString::fromUtf8(qxcipher::kDESKey), kEncrypt);
}

QString QXDESCode::doCipher(const QString& text, const QString& key, Operation context) {
    if (context == kDecrypt) {
        const std::optional<QByteArray> input = decodeBase64WithString(text);
        if (!input) return {};
        return utf8TextOrNothing(runDES(*input, keyBytes(key), false));
    }
    return encodeBase64WithData(runDES(text.toUtf8(), keyBytes(key), true));
}

QString QXDESCode::md5(const QString& text) {
    return QXEncode::MD5Encode(text);
}

QString QXDESCode::encodeBase64WithData(const QByteArray& data) {
    if (data.isEmpty()) return {};
    return QString::fromLatin1(data.toBase64());
}

QString QXDESCode::encodeBase64WithString(const QString& text) {
    return encodeBase64WithData(text.toUtf8());
}

std::optional<QByteArray> QXDESCode::decodeBase64WithString(const QString& text) {
    QByteArray decoded;
    decoded.reserve(text.size() * 3 / 4);
    std::array<int, 4> group{};
    int inGroup = 0;
    for (const QChar ch : text) {
        if (ch.unicode() > 0x7F) return std::nullopt;
        const char c = char(ch.unicode());
        if (isSkippedWhiteSpace(c)) continue;
        if (c == '=') {
            // A lone character before "=" carries no whole byte: the text is broken.
            if (inGroup == 1) return std::nullopt;
            appendGroup(decoded, group, inGroup);
            group.fill(0);
            inGroup = 0;
            continue;
        }
        const int value = base64Value(c);
        if (value == kNotInAlphabet) return std::nullopt;
        group[inGroup++] = value;
        if (inGroup == 4) {
            appendGroup(decoded, group, 4);
            group.fill(0);
            inGroup = 0;
        }
    }
    appendGroup(decoded, group, inGroup);
    return decoded;
}
