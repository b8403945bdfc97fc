#include "standin/Posts.h"

#include "standin/Communities.h"
#include "standin/FormFields.h"
#include "standin/Geography.h"
#include "standin/PostDetailCalls.h"
#include "standin/SamplePeople.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <random>

namespace standin {

namespace {

using Post = SamplePost;

const QStringList kFitments{QStringLiteral("精装修"), QStringLiteral("简装修"),
                            QStringLiteral("毛坯")};
const QStringList kRoomNames{QStringLiteral("一"), QStringLiteral("两"), QStringLiteral("三"),
                             QStringLiteral("四"), QStringLiteral("五")};
// What a title says of a house beside its place, rooms and fitment. A house for sale is not
// moved into with one's bags nor let with its appliances: it has features of its own, as
// many, so that the draws after them stay as they were.
const QStringList kFeatures{QStringLiteral("南北通透"), QStringLiteral("近地铁"),
                            QStringLiteral("拎包入住"), QStringLiteral("采光好"),
                            QStringLiteral("随时看房"), QStringLiteral("家电齐全"),
                            QStringLiteral("安静舒适"), QStringLiteral("交通便利")};
const QStringList kSaleFeatures{QStringLiteral("南北通透"), QStringLiteral("近地铁"),
                                QStringLiteral("满五唯一"), QStringLiteral("采光好"),
                                QStringLiteral("随时看房"), QStringLiteral("户型方正"),
                                QStringLiteral("安静舒适"), QStringLiteral("交通便利")};
// The rooms a share lets, in the order of their codes in the filter definitions (from 1).
const QStringList kShareRooms{QStringLiteral("主卧"), QStringLiteral("次卧"),
                              QStringLiteral("隔断间")};

// The sample's time origin: the day the program started, so ages look fresh and stay
// the same for the whole run.
qint64 sampleNow() {
    static const qint64 now = QDateTime::currentSecsSinceEpoch() / 86400 * 86400 + 12 * 3600;
    return now;
}

// Who posts the house and where it lies, drawn from a generator of the post's own, so that
// the values drawn before stay as they were.
void describe(Post& post, QJsonObject& record, const CityRow& city) {
    std::mt19937 random(std::uint32_t(post.puid));
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    record["id"] = QString::number(Posts::kFirstPostId + post.puid);
    record["CategoryId"] = 7;
    record["major_category"] = post.major;
    record["city"] = city.name;
    record["domain"] = city.pinyin;
    if (const SampleCommunity* community =
            Communities::ofPlace(city.scriptIndex, post.districtId, post.streetId, pick(0, 1))) {
        post.communityId = community->id;
        record["xiaoqu"] = community->name;
        record["xiaoqu_id"] = QString::number(community->id);
        record["pinyin"] = community->pinyin;
    }
    // Most houses are posted by brokers, those of the house's district where it has shops;
    // shared rooms more often by their tenants.
    std::vector<SampleBroker> brokers = SamplePeople::brokersOfCity(city.scriptIndex);
    const QString district = record["district_name"].toString();
    if (std::any_of(brokers.begin(), brokers.end(),
                    [&](const SampleBroker& broker) { return broker.districtName == district; })) {
        std::erase_if(brokers,
                      [&](const SampleBroker& broker) { return broker.districtName != district; });
    }
    if (!brokers.empty() && pick(0, 9) < (post.major == 3 ? 5 : 7)) {
        const SampleBroker& broker = brokers[std::size_t(pick(0, int(brokers.size()) - 1))];
        post.posterId = broker.userId;
        record["person"] = broker.name;
        record["agent"] = QStringLiteral("经纪人");
        record["phone"] = broker.phone;
        record["company"] = broker.company;
    } else {
        const SamplePoster poster = SamplePeople::posterOfPost(post.puid);
        post.posterId = poster.userId;
        record["person"] = poster.name;
        record["agent"] = QStringLiteral("个人");
        record["phone"] = poster.phone;
    }
    record["user_id"] = QString::number(post.posterId);
    PostDetailCalls::addHouseFacts(record, post);
}

// A house for sale costs its area at 85% to 115% of its community's average price per
// square metre (`draw` 20 to 90 tells where), in whole 万元.
double salePrice(const Post& post, int draw) {
    const SampleCommunity* community = Communities::byId(post.communityId);
    if (!community) return double(post.area * draw / 10);
    const double perMetre = Communities::priceAt(*community, 0) * (0.85 + (draw - 20) * 0.3 / 70);
    return std::max(1.0, std::round(post.area * perMetre / 10000));
}

std::vector<Post> makePosts(int cityIndex, int major) {
    std::vector<Post> posts;
    const CityRow* city = Geography::city(cityIndex);
    if (!city || city->districts.empty()) return posts;
    std::mt19937 random(std::uint32_t(cityIndex * 10 + major));
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < Posts::kPostsPerKind; ++i) {
        const DistrictRow& district =
            city->districts[std::size_t(pick(0, int(city->districts.size()) - 1))];
        const StreetRow* street =
            district.streets.empty()
                ? nullptr
                : &district.streets[std::size_t(pick(0, int(district.streets.size()) - 1))];
        Post post;
        post.districtId = district.id;
        post.streetId = street ? street->id : 0;
        post.rooms = major == 3 ? pick(2, 4) : pick(1, 5);
        post.fitment = pick(1, 3);
        post.hasImage = pick(0, 9) < 7;
        const QString place = street ? street->name : district.name;
        QString shortPlace = place;
        for (const QString& suffix :
             {QStringLiteral("街道"), QStringLiteral("镇"), QStringLiteral("乡")}) {
            if (shortPlace.endsWith(suffix) && shortPlace.size() > suffix.size() + 1) {
                shortPlace.chop(suffix.size());
            }
        }
        const QStringList& features = major == 5 ? kSaleFeatures : kFeatures;
        const QString feature = features[pick(0, int(features.size()) - 1)];
        QJsonObject record;
        int saleDraw = 0;
        if (major == 1) {
            post.area = post.rooms * pick(18, 32) + pick(0, 15);
            post.price = post.area * pick(40, 120) / 100 * 100;
            post.title = QStringLiteral("%1 %2居室 %3 %4")
                             .arg(shortPlace, kRoomNames[post.rooms - 1],
                                  kFitments[post.fitment - 1], feature);
            record["price"] = QJsonObject{{"v", post.price}, {"u", QStringLiteral("元/月")}};
        } else if (major == 3) {
            post.area = pick(8, 28);
            post.price = pick(8, 40) * 100;
            post.shareMode = pick(1, int(kShareRooms.size()));
            const QString room = kShareRooms[post.shareMode - 1];
            post.title = QStringLiteral("%1 %2居合租%3 %4")
                             .arg(shortPlace, kRoomNames[post.rooms - 1], room, feature);
            record["price"] = QJsonObject{{"v", post.price}, {"u", QStringLiteral("元/月")}};
            record["share_type"] = room;
        } else {
            post.area = post.rooms * pick(22, 40) + pick(0, 20);
            // The price follows the community's average once the house has its community.
            saleDraw = pick(20, 90);
            post.title = QStringLiteral("%1 %2居室 %3 %4")
                             .arg(shortPlace, kRoomNames[post.rooms - 1], feature,
                                  kFitments[post.fitment - 1]);
        }
        const qint64 age = qint64(pick(0, 20 * 24)) * 3600 + pick(0, 3599);
        post.refreshAt = sampleNow() - age;
        const auto centre = Geography::districtCentre(district.id);
        post.lat = (centre ? centre->first : 30.0) + (pick(-200, 200) / 10000.0);
        post.lng = (centre ? centre->second : 120.0) + (pick(-200, 200) / 10000.0);
        post.title = post.title.trimmed();
        record["puid"] = QString::number(qint64(cityIndex) * 100000 + major * 1000 + i);
        record["title"] = post.title;
        record["district_name"] = district.name;
        record["street_name"] = street ? street->name : QString();
        record["district_id"] = district.id;
        record["street_id"] = post.streetId;
        record["area"] = QJsonObject{{"v", post.area}, {"u", QStringLiteral("㎡")}};
        record["huxing"] = QStringLiteral("%1室%2厅").arg(post.rooms).arg(post.rooms > 1 ? 1 : 0);
        record["huxing_shi"] = post.rooms;
        record["fitment"] = kFitments[post.fitment - 1];
        record["postunixtime"] = post.refreshAt - pick(0, 3) * 86400;
        record["refresh_at"] = post.refreshAt;
        record["latlng"] =
            QStringLiteral("%1,%2").arg(post.lat, 0, 'f', 5).arg(post.lng, 0, 'f', 5);
        record["icons"] = QJsonObject{{"ding", pick(0, 19) == 0 ? 1 : 0},
                                      {"image", post.hasImage ? 1 : 0},
                                      {"yan", pick(0, 9) < 3 ? 1 : 0},
                                      {"quotation", pick(0, 9) == 0 ? 1 : 0}};
        // A trusted house (102) is one the service saw "真实待租": rented houses only.
        const bool trusted = pick(0, 6) == 0;
        record["premier_status"] = trusted && major != 5 ? 102 : 100;
        post.puid = record["puid"].toString().toLongLong();
        // The lists show one of the post's own photos, the one its poster chose (drawn from
        // as many as the stock pictures, so that the draws after it stay as they were).
        if (post.hasImage) {
            const int cover = pick(0, Posts::kThumbnailCount - 1);
            record["thumb_img"] = PostDetailCalls::photoPath(
                post.puid, cover % PostDetailCalls::photoCount(post.puid) + 1,
                PostDetailCalls::kThumbnailWidth, PostDetailCalls::kThumbnailHeight);
        } else {
            record["thumb_img"] = QString();
        }
        post.cityIndex = cityIndex;
        post.major = major;
        describe(post, record, *city);
        if (major == 5) {
            // In 万元, every fourth with a half.
            post.price = salePrice(post, saleDraw) + (i % 4 == 0 ? 0.5 : 0.0);
            record["price"] = QJsonObject{{"v", post.price}, {"u", QStringLiteral("万元")}};
        }
        post.record = record;
        posts.push_back(std::move(post));
    }
    std::stable_sort(posts.begin(), posts.end(),
                     [](const Post& a, const Post& b) { return a.refreshAt > b.refreshAt; });
    return posts;
}

// "low_high" with either side open ("_1500", "8000_").
bool inRange(double value, const QString& range) {
    const QStringList sides = range.split(u'_');
    if (sides.size() != 2) return true;
    bool lowOk = false, highOk = false;
    const double low = sides[0].toDouble(&lowOk), high = sides[1].toDouble(&highOk);
    return (!lowOk || value >= low) && (!highOk || value < high);
}

double distanceMetres(double lat1, double lng1, double lat2, double lng2) {
    constexpr double kRadius = 6371000.0, kDegree = M_PI / 180.0;
    const double dLat = (lat2 - lat1) * kDegree, dLng = (lng2 - lng1) * kDegree;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * kDegree) * std::cos(lat2 * kDegree) * std::sin(dLng / 2) *
                         std::sin(dLng / 2);
    return 2 * kRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

bool matches(const Post& post, const QString& name, const QString& value) {
    if (name == QLatin1String("district_id")) return post.districtId == value.toLongLong();
    if (name == QLatin1String("street_id")) return post.streetId == value.toLongLong();
    if (name == QLatin1String("price")) return inRange(post.price, value);
    if (name == QLatin1String("area")) return inRange(post.area, value);
    if (name == QLatin1String("huxing_shi")) {
        const int rooms = value.toInt();
        return rooms >= 5 ? post.rooms >= 5 : post.rooms == rooms;
    }
    if (name == QLatin1String("fitment")) return post.fitment == value.toInt();
    if (name == QLatin1String("share_mode")) return post.shareMode == value.toInt();
    if (name == QLatin1String("image_count")) return value.toInt() != 1 || post.hasImage;
    if (name == QLatin1String("title")) return post.title.contains(value, Qt::CaseInsensitive);
    if (name == QLatin1String("latlng")) {
        const QStringList parts = value.split(u',');
        if (parts.size() != 3) return false;
        return distanceMetres(parts[0].toDouble(), parts[1].toDouble(), post.lat, post.lng) <=
               parts[2].toDouble();
    }
    return true;  // conditions the sample has no field for narrow nothing
}

// The conditions of "queryFilters" or "andKeywords": JSON objects given as array elements.
std::vector<std::pair<QString, QString>> conditionsOf(const QJsonValue& list) {
    std::vector<std::pair<QString, QString>> conditions;
    for (const QJsonValue& element : list.toArray()) {
        const QJsonObject condition = element.toObject();
        if (condition.isEmpty()) continue;
        conditions.emplace_back(condition["name"].toString(), condition["value"].toString());
    }
    return conditions;
}

Reply searchPosts(const RecordedRequest& request) {
    const QJsonObject args =
        QJsonDocument::fromJson(FormFields(request.body).value("jsonArgs")).object();
    if (args.isEmpty()) return Endpoints::refusal(QStringLiteral("no jsonArgs"), 400);
    const int city = args["cityScriptIndex"].toString().toInt();
    // A search that names no kind of post (the keyword search of every kind) gets them all,
    // newest refresh first.
    const int major = args["majorCategoryScriptIndex"].toString().toInt();
    const bool oneKind = std::find(std::begin(Posts::kKinds), std::end(Posts::kKinds), major) !=
                         std::end(Posts::kKinds);
    std::vector<const Post*> candidates;
    for (const int kind : Posts::kKinds) {
        if (oneKind && kind != major) continue;
        for (const Post& post : Posts::postsOf(city, kind)) candidates.push_back(&post);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Post* a, const Post* b) { return a->refreshAt > b->refreshAt; });
    // 64 bits, so that a page far past the end is only empty.
    const qint64 page = std::max(0, args["pageIndex"].toString().toInt());
    const qint64 size = std::clamp(args["pageSize"].toString().toInt(), 1, 100);
    auto conditions = conditionsOf(args["queryFilters"]);
    for (auto& keyword : conditionsOf(args["andKeywords"])) conditions.push_back(keyword);
    QJsonArray pagePosts;
    qint64 total = 0;
    for (const Post* post : candidates) {
        const bool keep = std::all_of(conditions.begin(), conditions.end(), [post](const auto& c) {
            return matches(*post, c.first, c.second);
        });
        if (!keep) continue;
        if (total >= page * size && total < (page + 1) * size) pagePosts.append(post->record);
        ++total;
    }
    return Reply::json(QJsonObject{{"total", total}, {"posts", pagePosts}});
}

QJsonObject item(const QString& field, const QString& label, const QString& kind,
                 const QJsonArray& choices) {
    return QJsonObject{{"f", field}, {"n", label}, {"t", kind}, {"v", "-1"}, {"vs", choices}};
}

QJsonArray choices(std::initializer_list<std::pair<const char*, const char*>> pairs) {
    QJsonArray list{QJsonObject{{"n", QStringLiteral("不限")}, {"v", "-1"}}};
    for (const auto& [label, value] : pairs) {
        list.append(QJsonObject{{"n", QString::fromUtf8(label)}, {"v", QString::fromUtf8(value)}});
    }
    return list;
}

Reply filterDefinitions(const RecordedRequest& request) {
    if (request.header("version") == Posts::kFilterVersion) return Reply::json(QJsonObject{});
    const FormFields form(request.body);
    if (form.number("cityScriptIndex", -1) < 0)
        return Endpoints::refusal(QStringLiteral("no city"));
    const int major = int(form.number("majorCategoryScriptIndex", -1));
    QJsonArray items{item("district_id", QStringLiteral("区域"), "normal", {})};
    if (major == 5) {
        items.append(item("price", QStringLiteral("售价"), "range",
                          choices({{"100万以下", "_100"},
                                   {"100-200万", "100_200"},
                                   {"200-300万", "200_300"},
                                   {"300-500万", "300_500"},
                                   {"500万以上", "500_"}})));
    } else {
        items.append(item("price", QStringLiteral("租金"), "range",
                          major == 3 ? choices({{"1000元以下", "_1000"},
                                                {"1000-2000元", "1000_2000"},
                                                {"2000-3000元", "2000_3000"},
                                                {"3000元以上", "3000_"}})
                                     : choices({{"1500元以下", "_1500"},
                                                {"1500-3000元", "1500_3000"},
                                                {"3000-5000元", "3000_5000"},
                                                {"5000-8000元", "5000_8000"},
                                                {"8000元以上", "8000_"}})));
    }
    items.append(item(
        "huxing_shi", QStringLiteral("户型"), "normal",
        choices({{"一室", "1"}, {"两室", "2"}, {"三室", "3"}, {"四室", "4"}, {"五室以上", "5"}})));
    // What part of a shared flat is let; the need form offers its choices for a share.
    if (major == 3) {
        items.append(item("share_mode", QStringLiteral("出租间"), "normal",
                          choices({{"主卧", "1"}, {"次卧", "2"}, {"隔断间", "3"}})));
    }
    items.append(item("area", QStringLiteral("面积"), "range",
                      choices({{"50㎡以下", "_50"},
                               {"50-70㎡", "50_70"},
                               {"70-90㎡", "70_90"},
                               {"90-120㎡", "90_120"},
                               {"120㎡以上", "120_"}})));
    items.append(item("fitment", QStringLiteral("装修"), "normal",
                      choices({{"精装修", "1"}, {"简装修", "2"}, {"毛坯", "3"}})));
    items.append(item("image_count", QStringLiteral("图片"), "normal", {}));
    return Reply::json(QJsonObject{{"v", Posts::kFilterVersion}, {"fs", items}});
}

// A house-like picture in one of a few colour schemes, 124 x 92 (thumbnails at scale 2).
QByteArray thumbnail(int number) {
    static std::mutex mutex;
    static std::map<int, QByteArray> drawn;
    const std::lock_guard lock(mutex);
    if (const auto found = drawn.find(number); found != drawn.end()) return found->second;
    QImage image(124, 92, QImage::Format_RGB32);
    const QColor sky = QColor::fromHsv((number * 37) % 360, 60, 235);
    const QColor wall = QColor::fromHsv((number * 37 + 180) % 360, 70, 200);
    image.fill(sky);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 70, 124, 22), QColor(120, 170, 100));
    const double x = 22 + (number % 5) * 4;
    painter.fillRect(QRectF(x, 38, 80, 40), wall);
    painter.setBrush(wall.darker(140));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygonF({QPointF(x - 8, 40), QPointF(x + 40, 12), QPointF(x + 88, 40)}));
    painter.fillRect(QRectF(x + 10, 48, 14, 12), QColor(250, 240, 190));
    painter.fillRect(QRectF(x + 56, 48, 14, 12), QColor(250, 240, 190));
    painter.fillRect(QRectF(x + 34, 54, 12, 24), wall.darker(170));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    drawn[number] = bytes;
    return bytes;
}

std::optional<Reply> thumbnailRoute(const RecordedRequest& request) {
    const QByteArray name = request.path.mid(request.path.lastIndexOf('/') + 1);
    if (!name.endsWith(".jpg")) return std::nullopt;
    bool ok = false;
    const int number = name.chopped(4).toInt(&ok);
    if (!ok || number < 0 || number >= Posts::kThumbnailCount) return std::nullopt;
    return Reply::text(thumbnail(number), "image/jpeg");
}

}  // namespace

const std::vector<SamplePost>& Posts::postsOf(int cityIndex, int major) {
    static std::mutex mutex;
    static std::map<std::pair<int, int>, std::vector<Post>> made;
    const std::lock_guard lock(mutex);
    auto found = made.find({cityIndex, major});
    if (found == made.end())
        found = made.emplace(std::make_pair(cityIndex, major), makePosts(cityIndex, major)).first;
    return found->second;
}

const SamplePost* Posts::byPuid(qint64 puid) {
    // A puid is the city's script index × 100000 + the kind × 1000 + the post's number.
    if (puid < 0) return nullptr;
    const qint64 cityIndex = puid / 100000;
    const int major = int(puid % 100000 / 1000);
    if (cityIndex > std::numeric_limits<int>::max() ||
        std::find(std::begin(kKinds), std::end(kKinds), major) == std::end(kKinds)) {
        return nullptr;
    }
    for (const SamplePost& post : postsOf(int(cityIndex), major)) {
        if (post.puid == puid) return &post;
    }
    return nullptr;
}

std::vector<const SamplePost*> Posts::ofCommunity(qint64 communityId, int major) {
    std::vector<const SamplePost*> found;
    const SampleCommunity* community = Communities::byId(communityId);
    if (!community) return found;
    for (const SamplePost& post : postsOf(community->cityIndex, major)) {
        if (post.communityId == communityId) found.push_back(&post);
    }
    return found;
}

std::vector<const SamplePost*> Posts::ofPoster(qint64 userId, int major) {
    std::vector<const SamplePost*> found;
    int cityIndex = -1;
    if (const auto broker = SamplePeople::broker(userId)) {
        cityIndex = broker->cityIndex;
    } else if (SamplePeople::poster(userId)) {
        cityIndex = int((userId / 10 - SamplePeople::kPosterBase) / 100000);
    }
    if (cityIndex < 0) return found;
    for (const SamplePost& post : postsOf(cityIndex, major)) {
        if (post.posterId == userId) found.push_back(&post);
    }
    return found;
}

QString Posts::priceText(const QJsonObject& record) {
    const QJsonObject price = record.value("price").toObject();
    const double value = price.value("v").toDouble();
    QString unit = price.value("u").toString();
    QString number = QString::number(value, 'g', 15);
    // In single precision and through the C library, as the app computes and writes it.
    const float tenThousands = float(value) / 10000.0f;
    if (unit.startsWith(u'元') && tenThousands > 1.0f) {
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), "%.1f", double(tenThousands));
        number = QString::fromLatin1(text.data());
        unit.prepend(u'万');
    }
    return number + unit;
}

bool Posts::meets(const SamplePost& post, const QString& name, const QString& value) {
    return matches(post, name, value);
}

void Posts::install(Endpoints& endpoints) {
    endpoints.addInterface(
        "SearchPostsByJson2",
        [](const RecordedRequest& request, const QByteArray&) { return searchPosts(request); });
    endpoints.addInterface("GetMajorCategoryFilter",
                           [](const RecordedRequest& request, const QByteArray&) {
                               return filterDefinitions(request);
                           });
    endpoints.addRoute(
        QByteArray(paths::kImageHost) + "/house/",
        [](const RecordedRequest& request, const QByteArray&) { return thumbnailRoute(request); });
}

}  // namespace standin
