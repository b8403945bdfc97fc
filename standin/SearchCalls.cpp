#include "standin/SearchCalls.h"

#include "standin/FormFields.h"
#include "standin/Posts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace standin {

namespace {

constexpr int kHousing = 7;

QString kindName(int kind) {
    switch (kind) {
        case 1:
            return QStringLiteral("租房");
        case 3:
            return QStringLiteral("合租房");
        default:
            return QStringLiteral("二手房");
    }
}

// The kinds a request narrows to: the one it names, else all.
std::vector<int> kindsOf(const QJsonValue& named) {
    const int kind = named.toString().toInt();
    if (std::find(std::begin(Posts::kKinds), std::end(Posts::kKinds), kind) !=
        std::end(Posts::kKinds))
        return {kind};
    return {std::begin(Posts::kKinds), std::end(Posts::kKinds)};
}

// How many posts of a kind a search for the text finds: those whose titles hold it.
int titlesHolding(int city, int kind, const QString& text) {
    const auto& posts = Posts::postsOf(city, kind);
    return int(std::count_if(posts.begin(), posts.end(), [&text](const SamplePost& post) {
        return post.title.contains(text, Qt::CaseInsensitive);
    }));
}

Reply suggestions(const RecordedRequest& request) {
    const QJsonObject args =
        QJsonDocument::fromJson(FormFields(request.body).value("jsonArgs")).object();
    if (args.isEmpty()) return Endpoints::refusal(QStringLiteral("no jsonArgs"), 400);
    const QString keyword = args["keyword"].toString().trimmed();
    if (keyword.isEmpty()) return Reply::json(QJsonArray());
    const int city = args["cityScriptIndex"].toString().toInt();
    const std::vector<int> kinds = kindsOf(args["majorCategoryScriptIndex"]);
    std::set<QString> candidates;
    for (const int kind : kinds) {
        for (const SamplePost& post : Posts::postsOf(city, kind)) {
            QStringList texts = post.title.split(u' ', Qt::SkipEmptyParts);
            texts << post.record["street_name"].toString() << post.record["xiaoqu"].toString();
            for (const QString& text : texts) {
                if (text.contains(keyword, Qt::CaseInsensitive)) candidates.insert(text);
            }
        }
    }
    // Each keyword with the number of posts the list it opens shows: a search of one kind
    // finds that kind's, and the results of a search of every kind open on the first kind
    // that has posts (GetWebSearchCount's first), so that kind's posts are counted.
    std::vector<std::pair<QString, int>> counted;
    for (const QString& text : candidates) {
        for (const int kind : kinds) {
            if (const int count = titlesHolding(city, kind, text); count > 0) {
                counted.emplace_back(text, count);
                break;
            }
        }
    }
    std::stable_sort(counted.begin(), counted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    QJsonArray rows;
    for (const auto& [text, count] : counted) {
        if (rows.size() == SearchCalls::kMaxSuggestions) break;
        rows.append(QJsonObject{{"text", text}, {"count", count}});
    }
    return Reply::json(rows);
}

Reply searchCount(const RecordedRequest& request) {
    const FormFields query(request.query);
    const QString keyword = query.text("keywords");
    const int city = request.header("cityScriptIndex").toInt();
    if (keyword.isEmpty()) return Reply::json(QJsonArray());
    QJsonArray majors;
    int size = 0;
    for (const int kind : Posts::kKinds) {
        const int found = titlesHolding(city, kind, keyword);
        if (found == 0) continue;
        size += found;
        majors.append(QJsonObject{{"MajorCategoryScriptIndex", kind},
                                  {"MajorCategoryName", kindName(kind)},
                                  {"CategoryID", kHousing},
                                  {"Size", found}});
    }
    if (majors.isEmpty()) return Reply::json(QJsonArray());
    return Reply::json(QJsonArray{QJsonObject{{"CategoryID", kHousing},
                                              {"CateName", QStringLiteral("房产")},
                                              {"Size", size},
                                              {"MajorCountList", majors}}});
}

QJsonObject major(const char* name, int scriptIndex, int id, bool nearby, bool list,
                  bool communities) {
    return QJsonObject{{"n", QString::fromUtf8(name)},
                       {"msi", scriptIndex},
                       {"mii", id},
                       {"nb", nearby},
                       {"l", list},
                       {"xq", communities}};
}

QJsonArray catalog() {
    return QJsonArray{
        QJsonObject{{"n", QStringLiteral("房产")},
                    {"cid", kHousing},
                    {"cidx", 7},
                    {"nb", true},
                    {"l", true},
                    {"ms", QJsonArray{major("租房", 1, 101, true, true, true),
                                      major("合租房", 3, 103, true, true, true),
                                      major("二手房", 5, 105, true, true, true),
                                      major("商铺", 6, 106, false, true, false)}}},
        QJsonObject{{"n", QStringLiteral("全职招聘")},
                    {"cid", 2},
                    {"cidx", 2},
                    {"nb", false},
                    {"l", true},
                    {"ms", QJsonArray{major("销售", 1, 201, false, true, false),
                                      major("客服", 2, 202, false, true, false)}}},
        QJsonObject{{"n", QStringLiteral("兼职招聘")},
                    {"cid", 3},
                    {"cidx", 3},
                    {"nb", true},
                    {"l", false},
                    {"ms", QJsonArray{major("家教", 1, 301, true, false, false)}}},
    };
}

}  // namespace

void SearchCalls::install(Endpoints& endpoints) {
    endpoints.addInterface("ajaxSuggestion", [](const RecordedRequest& request, const QByteArray&) {
        return suggestions(request);
    });
    endpoints.addInterface(
        "GetWebSearchCount",
        [](const RecordedRequest& request, const QByteArray&) { return searchCount(request); });
    endpoints.addInterface("GetLastCategories", [](const RecordedRequest&, const QByteArray&) {
        return Reply::json(catalog());
    });
}

}  // namespace standin
