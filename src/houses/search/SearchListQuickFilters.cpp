// The keyword search results' quick-filter bar: the category column with its hit counts,
// the chosen category's first filters and "更多", their titles and chosen rows, and each
// choice turned into conditions and a new first page.
#include "houses/search/SearchListViewController.h"

#include "houses/HousesNavigation.h"
#include "houses/query/FilterCondition.h"
#include "houses/shared/HousesHost.h"
#include "location/CityNode.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/main_queue.h"
#include "platform/uikit/navigation_controller.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kDistrictKey = QStringLiteral("district_id");
const QString kStreetKey = QStringLiteral("street_id");
const QString kMoreKey = QStringLiteral("more");

// Whether two filter values name the same choice: the same text, or the same whole number
// written two ways ("1" and 1). Range values such as "_1500" and "_50" are told apart by
// their text, never by the number they start with.
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.toString() == b.toString()) return true;
    bool aNumber = false, bNumber = false;
    const qint64 x = a.toString().toLongLong(&aNumber);
    const qint64 y = b.toString().toLongLong(&bNumber);
    return aNumber && bNumber && x == y;
}

}  // namespace

FilterItem SearchListViewController::filterItem(const QString& key) const {
    if (!filterArray_) return nullptr;
    for (const FilterItem& item : *filterArray_) {
        if (item->value(QStringLiteral("f")).toString() == key) return item;
    }
    return nullptr;
}

void SearchListViewController::loadFilterArrayWithMasterId(const QString& masterId) {
    addLoadingView();
    auto model = std::make_shared<tovikFilters2>();
    model->setHavMiiId(false);
    filter_ = model;
    const quint64 search = searchNumber_;
    const auto weak = weakAs<SearchListViewController>();
    // The bar is built on the next turn of the main loop, also from cached definitions: a
    // choice in the bar's own drop-down starts this, and the bar must not rebuild under it.
    const auto take = [weak, search, model](bool found) {
        ns::MainQueue::post([weak, search, model, found] {
            auto self = weak.lock();
            if (!self || self->filter_ != model || search != self->searchNumber_) return;
            self->filterArray_ = found ? model->GetData() : std::nullopt;
            self->getQuickFilterArray();
            self->isHadLoadFilter_ = true;
        });
    };
    model->setMasterIndex(masterId.toInt(), page_.nowMajorIndex.toInt());
    if (model->getCount() > 0) {
        take(true);
        return;
    }
    isHadLoadFilter_ = false;
    model->httpRequestWithSuccess([take] { take(true); }, [take] { take(false); });
}

void SearchListViewController::getQuickFilterArray() {
    const int count = filterArray_ ? int(filterArray_->size()) : 0;
    if (count >= 1) {
        quickFilterKeyArray_ = {kCategoryKey};
        for (int i = 0; i < std::min(2, count); ++i)
            quickFilterKeyArray_ << (*filterArray_)[std::size_t(i)]->value("f").toString();
        if (count >= 3) quickFilterKeyArray_ << kMoreKey;
        if (!tempView_) {
            tempView_ = std::make_shared<QuickFilterView>(
                ui::Rect(0, 0, 320, view()->bounds().size.height));
            tempView_->setDelegate(weakAs<SearchListViewController>());
            tempView_->initialize();
            view()->addSubview(tempView_);
            view()->bringSubviewToFront(suggestionTbl_.get());
        } else {
            tempView_->reloadData();
        }
        ns::Clock::shared().schedule(ns::seconds(0.1),
                                     [bar = std::weak_ptr<QuickFilterView>(tempView_)] {
                                         if (auto shown = bar.lock()) shown->setDefaultSelectRow();
                                     });
    } else {
        removeLoadingView();
    }
    if (isLoading_) {
        addLoadingView();
        return;
    }
    if (count >= 1) {
        removeLoadingView();
    } else if (page_.listArray.isEmpty()) {
        // Never over posts that loaded: without filters the list still serves.
        addErrorTipViewWithErrorMsg(kNetworkTrouble);
    }
}

QString SearchListViewController::getQuickFilterTitleWithKey(const QString& key) const {
    const FilterItem item = filterItem(key);
    return item ? item->value(QStringLiteral("n")).toString() : QString();
}

QString SearchListViewController::qfViewTitleForIndex(QuickFilterView&, int index) {
    const QString key = quickFilterKeyArray_.value(index);
    if (key == kCategoryKey)
        return categoryTitle_.isEmpty() ? QStringLiteral("类别") : categoryTitle_;
    if (key == kMoreKey) return QStringLiteral("更多");
    return getQuickFilterTitleWithKey(key);
}

int SearchListViewController::numOfSectionInQFView(QuickFilterView&, int index) {
    const QString key = quickFilterKeyArray_.value(index);
    if (key == kDistrictKey || key == kCategoryKey) return 2;
    return key == kMoreKey ? 0 : 1;
}

QuickFilterRows SearchListViewController::rerurnFilterArrayWithIndex(int index) const {
    const QString key = quickFilterKeyArray_.value(index);
    QuickFilterRows rows;
    if (key == kDistrictKey) {
        const auto street = HousesHost::shared()->currentStreet();
        const auto district = street ? street->parent() : nullptr;
        if (const auto city = district ? district->parent() : nullptr) {
            for (const auto& each : city->Districts)
                rows.push_back(QuickFilterRow::ofDistrict(each));
        }
        return rows;
    }
    if (key == kCategoryKey) {
        for (const QVariant& record : categoryFilterArray_)
            rows.push_back(QuickFilterRow::ofDictionary(record.toMap()));
        return rows;
    }
    if (const FilterItem item = filterItem(key)) {
        for (const QVariant& choice : item->value(QStringLiteral("vs")).toList())
            rows.push_back(QuickFilterRow::ofDictionary(choice.toMap()));
    }
    return rows;
}

std::optional<QuickFilterRows> SearchListViewController::qfViewDataForSection(QuickFilterView& bar,
                                                                              int index,
                                                                              int section) {
    const QuickFilterRows first = rerurnFilterArrayWithIndex(index);
    if (section == 0) return first.empty() ? std::nullopt : std::optional(first);
    const QStringList& chosen = bar.defaultSelectRowDic()[index];
    if (chosen.isEmpty()) return std::nullopt;
    const int row = chosen.first().toInt();
    if (row < 0 || row >= int(first.size())) return std::nullopt;
    QuickFilterRows rows;
    if (const auto district = first[std::size_t(row)].district) {
        for (const auto& street : district->Streets)
            rows.push_back(QuickFilterRow::ofStreet(street));
    } else {
        for (const QVariant& major :
             first[std::size_t(row)].dictionary.value(QStringLiteral("MajorCountList")).toList())
            rows.push_back(QuickFilterRow::ofDictionary(major.toMap()));
    }
    return rows.empty() ? std::nullopt : std::optional(rows);
}

void SearchListViewController::qfViewDidSelectRightSection(QuickFilterView& bar, int index,
                                                           const ui::IndexPath& path,
                                                           const QuickFilterRows&) {
    QStringList& chosen = bar.defaultSelectRowDic()[index];
    if (!chosen.isEmpty()) chosen[0] = QString::number(path.row);
    bar.reloadQFTblAtIndex(index);
}

void SearchListViewController::setChosenRows(int index, const QStringList& rows) {
    if (tempView_) tempView_->defaultSelectRowDic()[index] = rows;
}

void SearchListViewController::qfViewDidSelectSection(QuickFilterView& bar, int index,
                                                      const ui::IndexPath& path,
                                                      const QuickFilterRows& rows) {
    const int r = path.row;
    if (r < 0 || r >= int(rows.size())) return;
    const QuickFilterRow& chosen = rows[std::size_t(r)];
    const QString key = quickFilterKeyArray_.value(index);
    auto& conditions = page_.filterConditionDic;
    if (key == kCategoryKey) {
        const QVariantMap major = chosen.dictionary;
        page_.nowMajorIndex = major.value(QStringLiteral("MajorCategoryScriptIndex")).toString();
        page_.nowMasterIndex = major.value(QStringLiteral("CategoryID")).toString();
        conditions.clear();
        categoryTitle_ = major.value(QStringLiteral("MajorCategoryName")).toString();
        loadFilterArrayWithMasterId(page_.nowMasterIndex);
        QStringList& own = bar.defaultSelectRowDic()[index];
        if (own.size() == 2) own[1] = QString::number(r);
        for (int i = 0; i < int(quickFilterKeyArray_.size()); ++i) {
            if (i == index) continue;
            const QString other = quickFilterKeyArray_[i];
            QStringList& stored = bar.defaultSelectRowDic()[i];
            if (other == kDistrictKey) {
                stored = {QStringLiteral("0"), QStringLiteral("0")};
            } else if (other != kMoreKey && !stored.isEmpty()) {
                stored = {QStringLiteral("0")};
            }
        }
    } else if (key == kDistrictKey && chosen.street) {
        const auto street = chosen.street;
        HousesHost::shared()->setCurrentStreet(street);
        const auto district = street->parent();
        const int d = district ? district->index() : -1;
        if (d == -1) {
            conditions.remove(kDistrictKey);
            conditions.remove(kStreetKey);
        } else {
            conditions[kDistrictKey] = FilterCondition::make(kDistrictKey, QString::number(d));
            if (street->index() == -1) {
                conditions.remove(kStreetKey);
            } else {
                conditions[kStreetKey] =
                    FilterCondition::make(kStreetKey, QString::number(street->index()));
            }
        }
        QString title = street->name();
        if (r == 0) {
            title = district ? district->name() : QString();
            if (title == QStringLiteral("不限")) title = QStringLiteral("区域不限");
        }
        bar.resetTitleForIndex(index, title);
    } else {
        const QVariant value = chosen.dictionary.value(QStringLiteral("v"));
        if (Tolerant(value).intValue() == -1) {
            conditions.remove(key);
        } else {
            conditions[key] = FilterCondition::make(key, value.toString());
        }
        if (filterArray_) {
            for (const FilterItem& item : *filterArray_) {
                if (item->value(QStringLiteral("f")).toString() == key)
                    item->insert(QStringLiteral("v"), value);
            }
        }
        bar.resetTitleForIndex(index,
                               r == 0 ? getQuickFilterTitleWithKey(key)
                                      : chosen.dictionary.value(QStringLiteral("n")).toString());
    }
    page_.startFreshPage();
    loadSearchListWithMasterId(page_.nowMasterIndex, keyword_);
}

void SearchListViewController::moreBtnTouchForQFView(QuickFilterView&) {
    if (!filter_) return;
    HousesNavigation::pushFilterScreen(
        *this, {.filter = filter_,
                .chosen = [weak = weakAs<SearchListViewController>()](
                              const QMap<QString, QString>& conditions, const QString&, bool) {
                    auto self = weak.lock();
                    if (!self) return;
                    self->page_.filterConditionDic = conditions;
                    self->fromFilterInitbtn();
                    self->page_.startFreshPage();
                    self->loadSearchListWithMasterId(self->page_.nowMasterIndex, self->keyword_);
                }});
}

void SearchListViewController::fromFilterInitbtn() {
    if (!tempView_) return;
    for (int i = 0; i < int(quickFilterKeyArray_.size()); ++i) {
        const QString key = quickFilterKeyArray_[i];
        QString title;
        if (key == kCategoryKey) {
            title = categoryTitle_.isEmpty() ? QStringLiteral("类别") : categoryTitle_;
        } else if (key == kMoreKey) {
            title = QStringLiteral("更多");
        } else {
            title = getTitleFromListArrayWithIndex(i);
        }
        tempView_->resetTitleForIndex(i, title);
    }
    getDefaultSelectRowForFilterArray();
    tempView_->setDefaultSelectRow();
}

QString SearchListViewController::getTitleFromListArrayWithIndex(int index) {
    const QString key = quickFilterKeyArray_.value(index);
    if (key == kDistrictKey) {
        const auto street = HousesHost::shared()->currentStreet();
        if (!street) return QString();
        if (street->index() != -1) return street->name();
        const auto district = street->parent();
        if (!district || district->index() == -1) return getQuickFilterTitleWithKey(key);
        return district->name();
    }
    const FilterItem item = filterItem(key);
    if (!item) return QString();
    const int column = int(quickFilterKeyArray_.indexOf(key));
    const QVariant value = item->value(QStringLiteral("v"));
    if (Tolerant(value).intValue() == -1 && value.toString() == QStringLiteral("-1")) {
        setChosenRows(column, {QStringLiteral("0")});
        return getQuickFilterTitleWithKey(key);
    }
    const QVariantList choices = item->value(QStringLiteral("vs")).toList();
    int position = 0;
    for (; position < int(choices.size()); ++position) {
        const QVariantMap choice = choices[position].toMap();
        if (sameValue(choice.value(QStringLiteral("v")), value)) {
            setChosenRows(column, {QString::number(position)});
            return choice.value(QStringLiteral("n")).toString();
        }
    }
    setChosenRows(column, {QString::number(position)});
    return QString();
}

void SearchListViewController::getDefaultSelectRowForFilterArray() {
    if (!tempView_) return;
    for (int i = 0; i < int(quickFilterKeyArray_.size()); ++i) {
        const FilterItem item = filterItem(quickFilterKeyArray_[i]);
        if (!item) continue;
        QStringList rows{
            QString::number(Tolerant(item->value(QStringLiteral("firstSectionRow"))).intValue())};
        if (item->contains(QStringLiteral("secondSectionRow")))
            rows << QString::number(
                Tolerant(item->value(QStringLiteral("secondSectionRow"))).intValue());
        tempView_->defaultSelectRowDic()[i] = rows;
    }
}
