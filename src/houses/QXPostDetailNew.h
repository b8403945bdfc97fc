#pragma once

#include "houses/GetPostListCellFormate.h"
#include "platform/uikit/view_controller.h"

#include <QVariantList>

#include <functional>
#include <memory>

// What a list offers the post detail for paging through its posts.
class QXPostDetailRefreshProtocol {
public:
    virtual ~QXPostDetailRefreshProtocol() = default;
    // The list's posts as they are now (pages loaded later show up).
    [[nodiscard]] virtual const QVariantList& postDetailNewContentArray() const = 0;
    [[nodiscard]] virtual bool postDetailNewHasMoreData() const = 0;
    virtual void postDetailNewLoadMoreData(std::function<void(bool loaded)> completion) = 0;
    virtual void postDetailNewCurrentIndexWhenPopOrDismiss(unsigned index) = 0;
};

// The post detail as far as the list needs it: a titled screen of one post that marks the
// post read when it opens and reports its position back, once, when it goes.
class QXPostDetailNew : public ui::ViewController {
public:
    QXPostDetailNew(PostRecord post, int masterId, int majorId);
    ~QXPostDetailNew() override;

    void setRefreshProtocol(std::weak_ptr<QXPostDetailRefreshProtocol> list) {
        list_ = std::move(list);
    }
    void setCurrentIndex(int index) { currentIndex_ = index; }
    // Tells the list the post shown last; later calls do nothing.
    void reportIndex();
    [[nodiscard]] int currentIndex() const { return currentIndex_; }
    void setHiddenChatAgentInfo(bool hidden) { hiddenChatAgentInfo_ = hidden; }
    [[nodiscard]] bool hiddenChatAgentInfo() const { return hiddenChatAgentInfo_; }
    [[nodiscard]] const PostRecord& post() const { return post_; }
    // What the photo strip hands the pager: the post and the poster's data.
    [[nodiscard]] const PostRecord& contentDict() const { return post_; }
    [[nodiscard]] const QVariantMap& agentInfo() const { return agentInfo_; }

    // Leaving the stack, the detail tells the list where it stopped, before the list
    // appears again.
    void willMoveToParentViewController(ui::ViewController* parent) override;

protected:
    void viewDidLoad() override;

private:
    PostRecord post_;
    QVariantMap agentInfo_;
    int masterId_;
    int majorId_;
    int currentIndex_ = 0;
    bool hiddenChatAgentInfo_ = false;
    bool reportedIndex_ = false;
    std::weak_ptr<QXPostDetailRefreshProtocol> list_;
};
