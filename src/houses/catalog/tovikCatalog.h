#pragma once

#include "platform/foundation/timer.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What the owner of a catalog hears when a request refreshed it.
class tovikCatalogDelegate {
public:
    virtual ~tovikCatalogDelegate() = default;
    virtual void newNetWorkSuccessDeletgate(const QVariantList& catalog) { (void)catalog; }
};

// A major category that a keyword matched: its master's position and its own.
struct KeywordMatchMajor {
    int masterIndex = 0;
    int majorIndex = 0;
};

// A search's id and name.
struct KeywordMatchSearch {
    int searchId = 0;
    QString searchName;
};

// The shared catalog of master categories (housing, jobs, ...) and their major categories
// (rent, shared rent, ...), read from the document file "cata.xml" and refreshed whole by
// "GetLastCategories". A master entry: "n" name, "cid" id, "cidx" script index, "ms" its
// majors, "nb" and "l" the near-by and list flags; a major entry: "n", "msi" script index,
// "mii" id, "nb", "l" and "xq" (communities). Lookups by position, id, script index or
// name; without a catalog they find nothing (nil, 0 or an empty result). A failed request
// is sent again after a growing delay, a few times at most.
class tovikCatalog {
public:
    static inline const QString kInterface = QStringLiteral("GetLastCategories");
    static constexpr int kMaxRetries = 5;
    static constexpr double kFirstRetryDelay = 2;

    // The shared catalog, made on first use from the file.
    static tovikCatalog& instance();
    // Forgets the shared catalogs of every kind: the next use reads the file again (tests
    // start afresh, each with a sandbox of its own).
    static void resetShared();
    // A catalog read from the file now.
    tovikCatalog();
    virtual ~tovikCatalog();
    tovikCatalog(const tovikCatalog&) = delete;
    tovikCatalog& operator=(const tovikCatalog&) = delete;

    [[nodiscard]] static QString filePath();

    [[nodiscard]] const std::optional<QVariantList>& data() const { return data_; }
    void setResponseVc(std::shared_ptr<tovikCatalogDelegate> owner) {
        responseVc_ = std::move(owner);
    }

    // Starts the request (the city is not used further).
    void updateWithCityIndex(int cityIndex);
    virtual void starthttpRequest();
    // Requests sent again after failures since the last success or start.
    [[nodiscard]] int retries() const { return retries_; }
    // Whether a request is under way.
    [[nodiscard]] bool isRequesting() const { return requesting_; }

    [[nodiscard]] int getMasterCatalogNum() const;
    [[nodiscard]] QString getMasterCatalogNameWithIndex(int index) const;
    [[nodiscard]] int getMasterCatalogIDWithIndex(int index) const;
    [[nodiscard]] int getMasterCatalogIndexWithID(int id) const;
    [[nodiscard]] int getMajorCatalogNumWithMasterIndex(int index) const;
    [[nodiscard]] int getMajorCatalogIDWithMasterIndex(int masterIndex, int majorIndex) const;
    [[nodiscard]] QString getMajorCatalogNameWithMasterIndex(int masterIndex, int majorIndex) const;
    [[nodiscard]] int getMiiIDWithMasterIndex(int masterIndex, int majorIndex) const;
    // Every major whose name holds the keyword, in catalog order; over all masters when
    // the master position is negative.
    [[nodiscard]] std::vector<KeywordMatchMajor> getMajorListWithMasterIndex(
        int masterIndex, const QString& keyword) const;
    [[nodiscard]] std::optional<QVariantList> getMajorArrayWithMasterId(int id) const;
    // "不限" followed by the names of the master's majors.
    [[nodiscard]] std::optional<QStringList> getMajorListArrayWithMasterId(int id) const;
    // -1 followed by the script indexes of the master's majors.
    [[nodiscard]] std::optional<QList<int>> getMajorIdArrayWithMasterId(int id) const;
    [[nodiscard]] QString getMajorNameWithMasterId(int id, int majorScriptIndex) const;
    [[nodiscard]] QString getMasterNameWithMasterId(int id) const;
    [[nodiscard]] int getMasterCatalogIDWithScriptIndex(int scriptIndex) const;
    [[nodiscard]] int getMasterCatalogScriptIndexWithID(int id) const;
    [[nodiscard]] std::optional<QVariantMap> getTagDictionaryWithMasterID(int id) const;

protected:
    // Keeps the masters flagged `flag` with their majors flagged so; masters left without
    // majors go.
    void narrow(const QString& flag);
    void send(bool withCity, std::function<void(const QVariantList&)> adopt);
    void setData(QVariantList catalog) { data_ = std::move(catalog); }

private:
    [[nodiscard]] QVariantMap master(int index) const;
    [[nodiscard]] QVariantMap major(int masterIndex, int majorIndex) const;
    [[nodiscard]] std::optional<QVariantMap> masterWithId(int id) const;

    std::optional<QVariantList> data_;
    std::shared_ptr<tovikCatalogDelegate> responseVc_;
    int retries_ = 0;
    bool requesting_ = false;
    ns::DelayedCall retry_;
    // Shared with the request's callbacks: a catalog gone answers no reply.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The catalog narrowed to the categories shown near the user: flag "nb". Its request names
// no city, keeps no file and posts "CataLoadedNearBy" when the catalog is ready.
class tovikCatalog_nb : public tovikCatalog {
public:
    static inline const QString kLoadedNotification = QStringLiteral("CataLoadedNearBy");
    static tovikCatalog_nb& instance();
    tovikCatalog_nb();
    void starthttpRequest() override;
    [[nodiscard]] bool isSupportXiaoquWithMasterIndex(int masterIndex, int majorIndex) const;
};

// The catalog narrowed to the categories of the lists: flag "l".
class tovikCatalog_list : public tovikCatalog {
public:
    static tovikCatalog_list& instance();
    tovikCatalog_list();
};
