#pragma once

#include "../list/PostListScreenFixture.h"

#include "houses/shared/ErrorTipView.h"
#include "houses/shared/QXLabel.h"
#include "standin/Communities.h"
#include "standin/CommunityCalls.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <stdexcept>

// The community and broker screens in a window over the test city (script index 100),
// against the stand-in, with the sample data at hand to say what the screens should show.
class CommunityFixture : public PostListScreenFixture {
protected:
    static constexpr int kCity = 100;

    // The first community of the test city that `wanted` accepts (base record, prices).
    static const standin::SampleCommunity& communityWhere(
        const std::function<bool(const standin::SampleCommunity&, const QJsonObject& base,
                                 const QJsonArray& prices)>& wanted) {
        for (const auto& community : standin::Communities::ofCity(kCity)) {
            const QJsonObject base = standin::CommunityCalls::baseInfo(community);
            if (wanted(community, base, standin::CommunityCalls::prices(community, 1700000000)))
                return community;
        }
        throw std::runtime_error("no such sample community");
    }
    // A community with everything: houses of every kind, photos, facilities, seven months of
    // prices and more, and a long introduction.
    static const standin::SampleCommunity& richCommunity() {
        return communityWhere(
            [](const auto& community, const QJsonObject& base, const QJsonArray& prices) {
                for (const int kind : {1, 3, 5}) {
                    if (standin::Posts::ofCommunity(community.id, kind).empty()) return false;
                }
                return base["photo_num"].toString().toInt() > 0 && prices.size() >= 7 &&
                       base["description"].toString().size() > 50 &&
                       !standin::CommunityCalls::facilities(community).isEmpty() &&
                       base.contains("developer") && !base["finish_at"].toString().isEmpty();
            });
    }
    // A post of the community, as the detail hands it over.
    static PostRecord postIn(const standin::SampleCommunity& community) {
        return {{"domain", community.cityPinyin},
                {"pinyin", community.pinyin},
                {"district_name", community.districtName},
                {"street_name", community.streetName}};
    }

    void push(const std::shared_ptr<ui::ViewController>& screen) {
        navigation_->setViewControllers({std::make_shared<ui::ViewController>(), screen}, false);
        settle();
    }
    // The message of the error notice over `screen`; empty when none shows.
    static QString noticeOf(ui::ViewController& screen) {
        return ErrorTipView::shownMessage(*screen.view());
    }
    // The value of the key/value row with that label under `root`; null when there is none.
    static QString rowValue(ui::View& root, const QString& key) {
        const QString shown = QXLabel::spreadLabel(key);
        for (const auto& child : root.subviews()) {
            if (auto* row = dynamic_cast<QXLabel*>(child.get()); row && row->key() == shown)
                return row->value();
        }
        return {};
    }
    static int rowsOf(ui::View& root) {
        int rows = 0;
        for (const auto& child : root.subviews())
            rows += dynamic_cast<QXLabel*>(child.get()) ? 1 : 0;
        return rows;
    }
    // A reply body the server gives instead of its own, once.
    void replyOnce(const QJsonObject& reply) {
        server().setFault({.prefix = standin::paths::kDataShare,
                           .body = QJsonDocument(reply).toJson(QJsonDocument::Compact),
                           .times = 1});
    }
};
