#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Street;

// One filter of a category, edited in place by every holder: "f" field, "n" label, "t"
// kind ("normal", "range", "text"), "v" chosen value ("-1" any), "vs" choices {n, v},
// "firstSectionRow" and, for the district item, "secondSectionRow".
using FilterItem = std::shared_ptr<QVariantMap>;
using FilterList = std::vector<FilterItem>;

// The filter model of one category list: the category's filter definitions, fetched from
// the server by version and cached per city, master and major category in the document
// file "filters", and the search state that goes with them.
class tovikFilters2 : public std::enable_shared_from_this<tovikFilters2> {
public:
    using Callback = std::function<void()>;

    tovikFilters2();

    // The items; nullopt until definitions are adopted.
    [[nodiscard]] const std::optional<FilterList>& GetData() const { return data_; }
    [[nodiscard]] int getCount() const { return data_ ? int(data_->size()) : 0; }
    [[nodiscard]] FilterItem getFilterWithIndex(int index) const;
    [[nodiscard]] FilterItem getFilterWithKey(const QString& field) const;
    // Replaces the items (a deep copy of `items` becomes the model's own), then applies the
    // list-mode rules (checkPageFrom).
    void adopt(const QVariantList& items);

    // Saves the items to "savefilterdata" and reads them back as new objects: the filter
    // screen undoes its edits with these.
    void saveTheDate() const;
    void returnTheDate();

    [[nodiscard]] QString getKeyWord() const { return keyWord_; }
    void setKeyWord(const QString& keyWord) { keyWord_ = keyWord; }
    [[nodiscard]] std::shared_ptr<Street> currentStreet() const { return currentStreet_; }
    void setCurrentStreet(std::shared_ptr<Street> street) { currentStreet_ = std::move(street); }
    [[nodiscard]] QString latlng() const { return latlng_; }
    void setLatlng(const QString& latlng) { latlng_ = latlng; }
    // The list mode: 0 normal, 1 nearby (the device position stands in for the district
    // and the located city is asked for), 2 and 4 only for the further operations.
    [[nodiscard]] int pageFrom() const { return pageFrom_; }
    void setPageFrom(int pageFrom) { pageFrom_ = pageFrom; }
    [[nodiscard]] int MasterIndex() const { return masterIndex_; }
    [[nodiscard]] int MajorIndex() const { return majorIndex_; }
    void setHavMiiId(bool value) { havMiiId_ = value; }
    // The located city, asked for in nearby mode instead of the selected one.
    void setLocatedCityScriptIndex(int index) { locatedCity_ = index; }

    void checkPageFrom();

    // Sets the category and reads the cache file ("filters") into memory.
    void setMasterMajorId(int masterId, int majorId);
    // Asks "GetMajorCategoryFilter" for the category; exactly one callback runs. The model
    // stays alive until then. A second request of the same model replaces its first, whose
    // callbacks then wait for the second's outcome; requests of other models go on.
    void httpRequestWithSuccess(Callback success, Callback failure);
    // Cancels the model's definitions request under way; its callers hear a failure.
    void cancelRequest() const;
    // Takes in a reply with definitions: rows reset, cache entry written, items adopted
    // when the model has none yet.
    void requestSuccessWithResult(const QVariantMap& result);

    [[nodiscard]] static QString cachePath();
    [[nodiscard]] static QString savePath();

    // --- Further operations (tovikFilters2+Conditions.cpp): a second definitions
    // interface, conditions and titles made on the model's side, copies of the model, a
    // cache reset. The housing lists reach none of them.

    // Another model's state (keyword, conditions, position, extra texts, list mode, street,
    // category, whether conditions are used) and, when it has items, its items passed
    // through the document file "filterdata", so that the copy's items are its own.
    [[nodiscard]] static std::shared_ptr<tovikFilters2> initWithFilter(const tovikFilters2& model);
    // Asks "getFastCommonFilter" for the master category (major 0): a reply with keys is
    // taken in as definitions and `success` runs; an empty reply runs `failure`, as does a
    // failed call (recorded as "ReceivedServerDataError"). `baseTag` adds "base_tag".
    void httpRequestWithMasterId(int masterId, Callback success, Callback failure);
    void httpRequestWithMasterId(int masterId, int baseTag, Callback success, Callback failure);
    // Sets the category and, outside nearby mode, adopts a copy of the cached definitions of
    // the selected city and that category when the cache file holds them.
    void setMasterIndex(int masterId, int majorId);
    // Replaces the items by the list, passed through the document file "FilterDataTemp".
    void SetData(const QVariantList& items);
    [[nodiscard]] bool haveData() const { return data_.has_value() && !data_->empty(); }
    // The first item labelled `label`; nullptr when none is.
    [[nodiscard]] FilterItem GetFilterItemWithName(const QString& label) const;
    // The label of the chosen value of the item at `position`; a null text when none is.
    [[nodiscard]] QString getDisplayStringWithIndex(int position) const;
    // Items other than the district whose value reads as -1 (any).
    [[nodiscard]] int buxianNumber() const;
    // Nothing chosen: no keyword and every item at its default.
    [[nodiscard]] bool isDefault() const;
    // The condition text of one item (district and street, position, normal and range
    // values); a null text when the item makes none. A free-text item records its value in
    // `extra` instead.
    [[nodiscard]] QString FilterToString(const FilterItem& item);
    // Joins the items' conditions with "," into the stored condition text.
    void makeFilter();
    // The stored condition text, or without conditions in use the position condition.
    [[nodiscard]] QString getStringFilter() const;
    // The keyword as a title condition and the free-text values as conditions.
    [[nodiscard]] QString getSearchString() const;
    // The title of one item's choice; a null text when it has none.
    [[nodiscard]] QString FilterToStringTitle(const FilterItem& item) const;
    // The items' titles joined by "/", the keyword last; a null text when there is nothing.
    [[nodiscard]] QString makeFilterTitle() const;
    [[nodiscard]] QString makeFilterTitleWithoutDistrict() const;
    // The chosen place: city, district and street joined by "-", the any rows left out.
    [[nodiscard]] QString getDistrict() const;
    // Empties the definitions cache, in memory and on disk, when it holds any.
    void CityChanged();

    [[nodiscard]] const QVariantMap& extra() const { return extra_; }
    void setExtra(const QVariantMap& extra) { extra_ = extra; }
    void setStringFilter(const QString& text) { stringFilter_ = text; }
    [[nodiscard]] bool bUsingFilter() const { return bUsingFilter_; }
    void setBUsingFilter(bool using_) { bUsingFilter_ = using_; }
    [[nodiscard]] bool fromErshou() const { return fromErshou_; }
    void setFromErshou(bool value) { fromErshou_ = value; }
    [[nodiscard]] bool isNearBy() const { return isNearBy_; }
    void setIsNearBy(bool value) { isNearBy_ = value; }

    [[nodiscard]] static QString copyPath();
    [[nodiscard]] static QString tempPath();

private:
    [[nodiscard]] QString titleOf(const FilterItem& item) const;
    [[nodiscard]] QString joinedTitles(bool withDistrict) const;
    void requestFastFilter(int masterId, const QString& body, Callback success, Callback failure);

    [[nodiscard]] int selectedCity() const;
    [[nodiscard]] int requestCity() const;
    // The city whose cache entry a reply belongs to: the one the request named (so that a
    // version, an entry and an adopted copy always belong to one city).
    [[nodiscard]] int cacheCity() const;
    [[nodiscard]] QString cachedVersion() const;
    // Takes in the reply of the model's latest request and answers every waiting caller.
    void takeReply(const QVariant& reply);
    // Runs the success or failure callback of every waiting caller, once.
    void answerWaiting(bool succeeded);

    struct Waiting {
        Callback success;
        Callback failure;
    };

    QString keyWord_;
    QVariantMap extra_;
    QString stringFilter_;
    bool bUsingFilter_ = false;
    bool fromErshou_ = false;
    bool isNearBy_ = false;
    int pageFrom_ = 0;
    std::shared_ptr<Street> currentStreet_;
    std::optional<FilterList> data_;
    int masterIndex_ = 0;
    int majorIndex_ = 0;
    QString latlng_;
    std::optional<QVariantMap> allFilter_;
    bool havMiiId_ = false;
    int locatedCity_ = -1;
    int replyCity_ = -1;
    // The key that the model's requests are cancelled by: its own, so that a request only
    // ever replaces an earlier one of this model.
    const QString cancelKey_;
    // The callers of the requests in flight, and the number of the latest request.
    std::vector<Waiting> waiting_;
    quint64 latestRequest_ = 0;
};
