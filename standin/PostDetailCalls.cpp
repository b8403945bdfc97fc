#include "standin/PostDetailCalls.h"

#include "src/net/QXCipherConstants.h"
#include "standin/Communities.h"
#include "standin/FormFields.h"
#include "standin/PostViews.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <random>

namespace standin {

namespace {

const QStringList kDetailFacilities{"chuang", "yigui",    "shafa",    "dianshi", "bingxiang",
                                    "xiyiji", "kongtiao", "reshuiqi", "kuandai", "nuanqi"};
const QStringList kOrientations{"南北", "朝南", "朝东", "朝西", "东南"};
const QStringList kPayments{"押一付三", "押一付一", "押二付一", "半年付"};
const QStringList kMoveIn{"随时入住", "一周内入住", "月底入住"};
const QStringList kSexes{"男女不限", "限女生", "限男生"};
const QStringList kSurroundings{
    "小区环境安静，绿化很好，物业管理规范，进出有门禁。",
    "周边超市、菜场、银行齐全，步行十分钟可到公交站，上下班很方便。",  // kBusStop
    "附近有小学和幼儿园，带孩子的家庭住着省心。",
    "楼下就是商业街，吃饭购物都很方便，晚上也不吵。",
    "采光好，冬天阳光能照进客厅，夏天通风凉快。",
};
constexpr int kBusStop = 1;
// In place of the bus stop, for a house whose title says it is near the underground.
const QString kUnderground = "周边超市、菜场、银行齐全，步行五分钟可到地铁站，上下班很方便。";
// Who lets or sells the house, among those sentences: a rented house has a landlord, a house
// for sale an owner.
const QString kLandlordSentence = "房东人很好说话，家具家电都是近两年新买的，保养得很好。";
const QString kOwnerSentence = "业主自住，装修和家具家电都保养得很好，可以留给买家。";

constexpr char kReportTooShort[] = "情况说明必须为5-200字";
constexpr char kNoSuchPost[] = "该信息不存在或已删除";

// What the stand-in remembers between calls beside the views (PostViews): the reports.
struct DetailState {
    std::mutex mutex;
    qint64 lastReport = 0;
};

// DES-CBC is only offered by OpenSSL's legacy provider, loaded once with the default one.
const EVP_CIPHER* desCBC() {
    static const EVP_CIPHER* cipher = [] {
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
        return EVP_CIPHER_fetch(nullptr, "DES-CBC", nullptr);
    }();
    return cipher;
}

QString describeHouse(const QJsonObject& record, std::mt19937& random) {
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const bool forSale = record["major_category"].toInt() == 5;
    // "南北朝向", but "朝南" as it stands.
    const QString facing = record["chaoxiang"].toString();
    QString text = QStringLiteral("%1%2，%3，面积%4平米，%5，%6，在%7层（共%8层）。")
                       .arg(record["xiaoqu"].toString(), record["huxing"].toString(),
                            forSale ? QStringLiteral("业主诚心出售") : QStringLiteral("出租"))
                       .arg(record["area"].toObject()["v"].toInt())
                       .arg(record["fitment"].toString(),
                            facing.startsWith(u'朝') ? facing : facing + QStringLiteral("朝向"))
                       .arg(record["ceng"].toObject()["v"].toInt())
                       .arg(record["ceng_total"].toString());
    // Some descriptions run long, so the detail cuts them and offers the whole text; no
    // sentence is said twice. A house for sale has an owner, not a landlord.
    const int sentences = pick(1, 4);
    QStringList surroundings = kSurroundings;
    surroundings << (forSale ? kOwnerSentence : kLandlordSentence);
    // A house "近地铁" names its station, always and first.
    const bool nearUnderground = record["title"].toString().contains(QStringLiteral("近地铁"));
    if (nearUnderground) surroundings[kBusStop] = kUnderground;
    std::shuffle(surroundings.begin(), surroundings.end(), random);
    if (nearUnderground) surroundings.move(surroundings.indexOf(kUnderground), 0);
    for (int i = 0; i < sentences; ++i) text += surroundings[i];
    if (!forSale) {
        text += QStringLiteral("%1，%2，欢迎随时来电看房。")
                    .arg(record["fukuan"].toString(), record["ruzhu"].toString());
    } else {
        text += QStringLiteral("产权清晰，可随时看房，欢迎来电咨询。");
    }
    return text;
}

QString photoUrl(const QByteArray& rootUrl, qint64 puid, int number) {
    return QString::fromLatin1(rootUrl) + paths::kImageHost +
           QStringLiteral("/posts/%1_640-480_7-0.jpg").arg(puid * 100 + number);
}

QJsonObject ownerInfo(qint64 userId, const QByteArray& rootUrl) {
    const auto broker = SamplePeople::broker(userId);
    if (!broker) return {};
    return QJsonObject{
        {"userId", QString::number(broker->userId)},
        {"name", broker->name},
        {"userHead", QString::fromLatin1(rootUrl) + paths::kImageHost +
                         QStringLiteral("/avatars/brokers/%1.jpg").arg(broker->userId)},
        {"companyName", broker->shopName},
        {"creditRate", broker->creditScore},
        {"phone", broker->phone},
    };
}

qint64 puidOf(const RecordedRequest& request) {
    return request.header("puid").trimmed().toLongLong();
}

Reply getPost(const RecordedRequest& request, const QByteArray& rootUrl) {
    const QJsonObject record = PostDetailCalls::detailRecord(puidOf(request), rootUrl);
    return Reply::json(QJsonObject{
        {"status", 0}, {"posts", record.isEmpty() ? QJsonArray() : QJsonArray{record}}});
}

Reply postByPuid(const PostViews& views, const RecordedRequest& request,
                 const QByteArray& rootUrl) {
    const qint64 puid = puidOf(request);
    QJsonObject data = PostDetailCalls::detailRecord(puid, rootUrl);
    if (data.isEmpty()) return Endpoints::refusal(QString::fromUtf8(kNoSuchPost));
    const SamplePost* post = PostDetailCalls::post(puid);
    data["view_times"] = QString::number(100 + puid % 900 + views.of(puid));
    const QJsonObject owner = ownerInfo(post->posterId, rootUrl);
    if (!owner.isEmpty()) data["commentOwnerInfo"] = owner;
    const SampleCommunity* community = Communities::byId(post->communityId);
    data["avg_price"] = QString::number(community ? Communities::averagePrice(*community) : 0);
    return Reply::json(QJsonObject{{"status", 0}, {"data", data}});
}

// "PostPvStat": jsonArgs={"puid","city","categoryId","majorCategoryScriptIndex"}.
Reply countView(PostViews& views, const RecordedRequest& request) {
    const QJsonObject args =
        QJsonDocument::fromJson(FormFields(request.body).value("jsonArgs")).object();
    const qint64 puid = args["puid"].toString().toLongLong();
    if (!PostDetailCalls::post(puid)) return Endpoints::refusal(QString::fromUtf8(kNoSuchPost));
    views.add(puid);
    return Reply::json(QJsonObject{{"status", 0}});
}

// "VotePost": the report form; the description between 5 and 200 characters.
Reply report(DetailState& state, const RecordedRequest& request) {
    const FormFields form(request.body);
    const qsizetype length = form.text("content").toUcs4().size();
    if (length < 5 || length > 200) return Endpoints::refusal(QString::fromUtf8(kReportTooShort));
    if (!PostDetailCalls::post(form.text("postId").toLongLong()))
        return Endpoints::refusal(QString::fromUtf8(kNoSuchPost));
    const std::lock_guard lock(state.mutex);
    return Reply::json(QJsonObject{
        {"status", 0}, {"errDetail", ""}, {"data", QJsonObject{{"reportId", ++state.lastReport}}}});
}

// "YJJY": feedback on the app; the text must not be empty.
Reply feedback(DetailState& state, const RecordedRequest& request) {
    if (FormFields(request.body).text("contents").trimmed().isEmpty())
        return Endpoints::refusal(QStringLiteral("反馈内容不能为空"));
    const std::lock_guard lock(state.mutex);
    return Reply::json(QJsonObject{{"status", 0},
                                   {"errDetail", ""},
                                   {"data", QJsonObject{{"feedbackId", ++state.lastReport}}}});
}

}  // namespace

QString PostDetailCalls::encipher(const QString& text) {
    const QByteArray plain = text.toUtf8();
    QByteArray key(qxcipher::kDESKey);
    key = key.left(8).leftJustified(8, '\0');
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    QByteArray out(plain.size() + 16, '\0');
    int written = 0;
    int last = 0;
    const bool ok =
        context && desCBC() &&
        EVP_CipherInit_ex2(context, desCBC(), reinterpret_cast<const unsigned char*>(key.data()),
                           qxcipher::kDESInitialisationVector.data(), 1, nullptr) == 1 &&
        EVP_CipherUpdate(context, reinterpret_cast<unsigned char*>(out.data()), &written,
                         reinterpret_cast<const unsigned char*>(plain.data()),
                         int(plain.size())) == 1 &&
        EVP_CipherFinal_ex(context, reinterpret_cast<unsigned char*>(out.data()) + written,
                           &last) == 1;
    EVP_CIPHER_CTX_free(context);
    if (!ok) return QString();
    out.truncate(written + last);
    return QString::fromLatin1(out.toBase64());
}

void PostDetailCalls::addHouseFacts(QJsonObject& record, const SamplePost& post) {
    std::mt19937 random(std::uint32_t(post.puid * 7 + 3));
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int total = pick(5, 33);
    record["ceng"] = QJsonObject{{"v", pick(1, total)}, {"u", QStringLiteral("层")}};
    record["ceng_total"] = QString::number(total);
    record["chaoxiang"] = kOrientations[pick(0, int(kOrientations.size()) - 1)];
    const SampleCommunity* community = Communities::byId(post.communityId);
    if (post.major == 5) {
        // The house is as old as its community; unknown with its completion.
        if (community && community->finishYear > 0)
            record["niandai"] = Communities::kSampleYear - community->finishYear;
    } else {
        record["fukuan"] = kPayments[pick(0, int(kPayments.size()) - 1)];
        record["ruzhu"] = kMoveIn[pick(0, int(kMoveIn.size()) - 1)];
        QStringList fittings;
        for (const QString& key : kDetailFacilities) {
            if (pick(0, 9) < 6) fittings << key;
        }
        record["peizhi"] = QJsonObject{{"v", fittings.join(u',')}};
    }
    if (post.major == 3) record["sex"] = kSexes[pick(0, int(kSexes.size()) - 1)];
    if (community) record["address"] = community->name + QStringLiteral("%1号楼").arg(pick(1, 28));
}

const SamplePost* PostDetailCalls::post(qint64 puid) {
    const SamplePost* found = puid > 0 ? Posts::byPuid(puid) : nullptr;
    return found && (found->major == 1 || found->major == 3 || found->major == 5) ? found : nullptr;
}

QString PostDetailCalls::photoPath(qint64 puid, int number, int width, int height) {
    return QStringLiteral("posts/%1_%2-%3_3-0.jpg").arg(puid * 100 + number).arg(width).arg(height);
}

int PostDetailCalls::photoCount(qint64 puid) {
    return 3 + int(puid % (kMaxPhotos - 2));
}

QString PostDetailCalls::wirePhone(qint64 puid, const QString& phone) {
    return puid % 3 == 0 ? encipher(phone) : phone;
}

QJsonObject PostDetailCalls::detailRecord(qint64 puid, const QByteArray& rootUrl) {
    const SamplePost* post = PostDetailCalls::post(puid);
    if (!post) return {};
    QJsonObject record = post->record;
    std::mt19937 random(std::uint32_t(puid * 11 + 5));
    if (post->hasImage) {
        QStringList photos;
        const int count = photoCount(puid);
        for (int i = 1; i <= count; ++i) photos << photoUrl(rootUrl, puid, i);
        record["ThumbImageUrls"] = photos.join(u',');
        record["image_count"] = count;
    } else {
        record["image_count"] = 0;
    }
    record["description"] = describeHouse(record, random);
    record["d_sign"] = QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::number(puid), QCryptographicHash::Md5)
            .toHex()
            .left(16));
    record["phone"] = wirePhone(puid, post->record["phone"].toString());
    return record;
}

void PostDetailCalls::install(Endpoints& endpoints) {
    const auto state = std::make_shared<DetailState>();
    endpoints.addInterface("GetPost", getPost);
    PostViews& views = endpoints.postViews();
    endpoints.addInterface("GetPostByPuid",
                           [&views](const RecordedRequest& request, const QByteArray& rootUrl) {
                               return postByPuid(views, request, rootUrl);
                           });
    endpoints.addInterface("PostPvStat",
                           [&views](const RecordedRequest& request, const QByteArray&) {
                               return countView(views, request);
                           });
    endpoints.addInterface("VotePost", [state](const RecordedRequest& request, const QByteArray&) {
        return report(*state, request);
    });
    endpoints.addInterface("YJJY", [state](const RecordedRequest& request, const QByteArray&) {
        return feedback(*state, request);
    });
}

}  // namespace standin
