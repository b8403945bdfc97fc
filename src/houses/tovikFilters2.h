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
    // Takes in a reply with definitions: rows reset, cache entry written, items adopted
    // when the model has none yet.
    void requestSuccessWithResult(const QVariantMap& result);

    [[nodiscard]] static QString cachePath();
    [[nodiscard]] static QString savePath();

private:
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
