#pragma once

#include <QVariant>
#include <QVariantList>

#include <functional>
#include <optional>

// What a list offers the post detail for paging through its posts.
class QXPostDetailRefreshProtocol {
public:
    virtual ~QXPostDetailRefreshProtocol() = default;
    // The list's posts as they are now (pages loaded later show up).
    [[nodiscard]] virtual const QVariantList& postDetailNewContentArray() const = 0;
    [[nodiscard]] virtual bool postDetailNewHasMoreData() const = 0;
    // Loads the next page and appends it, then calls back with YES, or NO on failure.
    virtual void postDetailNewLoadMoreData(std::function<void(bool loaded)> completion) = 0;
    // The value a list gives every post's "domain" (the community page's city key); nothing
    // when the list gives none.
    [[nodiscard]] virtual std::optional<QVariant> domainValueFromList() const {
        return std::nullopt;
    }
    // Told the index of the post shown last when the user goes back.
    virtual void postDetailNewCurrentIndexWhenPopOrDismiss(unsigned index) { (void)index; }
};
